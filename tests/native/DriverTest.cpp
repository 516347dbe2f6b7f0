#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>

#include "DeviceFixture.h"
#include "FakeMailboxPorts.h"
#include "KeyboardRig.h"
#include "equipment/common/DeviceTexts.h"
#include "equipment/common/Exceptions.h"
#include "equipment/common/a_vorn/VornDriver.h"
#include "platform/PlatformPorts.h"
#include "platform/TextLogWindow.h"
#include "platform/posix/PosixMessageWindow.h"
#include "platform/posix/PosixNamedMutexes.h"
#include "scanner/Driver.h"

namespace equ {
namespace {

class DriverTest : public testing::DeviceFixture {
 protected:
  ObjectPtr<TDriver> driver_ = MakeObject<TDriver>(DriverPortsOf(Platform()));
};

TEST_F(DriverTest, DeviceInformationOfTheScannerDriver) {
  const TDeviceInfoStruct& info = driver_->DeviceInfo();
  EXPECT_EQ(info.TypeName, u"Scanner");
  EXPECT_EQ(info.ModelID, u"5C3E9A71-2B4D-4F86-9E1A-7D20C4B8E613");
  EXPECT_EQ(info.ModelName, u"Мовак: сканер штрихкода универсальный");
  EXPECT_EQ(info.ProcessorName, u"Ovex.MorvanelV41");
  EXPECT_EQ(info.ProcessorType, 1);
  EXPECT_TRUE(info.IsSettingsDlgExist);
  EXPECT_EQ(info.Description, u"Драйвер сканера штрихкода универсальный");
  EXPECT_EQ(info.DeveloperName, u"ООО \"МОВАК\"");
  EXPECT_EQ(VersionText(info), u"1.1.2");
}

// A driver given only part of its ports refuses to be made and names what is missing, rather
// than reaching for a real port of the platform.
TEST_F(DriverTest, AMissingPortFailsLoudlyWithItsName) {
  struct Case {
    const char* named;
    void (*remove)(TDriverPorts&);
  };
  const Case cases[] = {
      {"named mutexes", [](TDriverPorts& p) { p.mutexes = nullptr; }},
      {"test window", [](TDriverPorts& p) { p.testWindow = nullptr; }},
      {"keyboard threads", [](TDriverPorts& p) { p.keyboard.threads = nullptr; }},
      {"key translator", [](TDriverPorts& p) { p.keyboard.translator = nullptr; }},
      {"host windows", [](TDriverPorts& p) { p.keyboard.hostWindows = nullptr; }},
      {"serial ports", [](TDriverPorts& p) { p.serial.serialPorts = nullptr; }},
      {"code page", [](TDriverPorts& p) { p.serial.codePage = nullptr; }},
      {"settings views", [](TDriverPorts& p) { p.settingsDialog.views = nullptr; }},
  };
  for (const Case& c : cases) {
    TDriverPorts ports = DriverPortsOf(Platform());
    c.remove(ports);
    try {
      MakeObject<TDriver>(std::move(ports));
      ADD_FAILURE() << "made without the " << c.named << " port";
    } catch (const std::logic_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.named), std::string::npos) << e.what();
    }
  }
}

TEST_F(DriverTest, ScansGoThroughTheGivenHandOffPorts) {
  TDriverPorts ports = DriverPortsOf(Platform());
  ports.acquiring.heap = nullptr;
  auto driver = MakeObject<TDriver>(std::move(ports));
  EXPECT_THROW(driver->ProcessScanData(u"1"), std::logic_error);
}

TEST_F(DriverTest, EighteenSettingsInOrderWithTheirDefaults) {
  struct Expected {
    const char16_t* id;
    TDataType type;
    Variant value;
  };
  const Expected expected[] = {
      {u"DefaultTimeOut", TDataType::dtNumber, Variant(120)},
      {u"EventLogEnabled", TDataType::dtBoolean, Variant(false)},
      {u"DebugLogEnabled", TDataType::dtBoolean, Variant(false)},
      {u"Prefix", TDataType::dtString, Variant(u"")},
      {u"Postfix", TDataType::dtString, Variant(u"")},
      {u"AutoDisableDataEvent", TDataType::dtBoolean, Variant(false)},
      {u"InterfaceType", TDataType::dtNumber, Variant(0)},
      {u"PortNumber", TDataType::dtNumber, Variant(1)},
      {u"Baud", TDataType::dtNumber, Variant(9600)},
      {u"InterCharIntervalRS232", TDataType::dtNumber, Variant(0)},
      {u"PrefixKbd", TDataType::dtString, Variant(u"")},
      {u"PostfixKbd", TDataType::dtString, Variant(u"")},
      {u"InterCharIntervalKbd", TDataType::dtNumber, Variant(60)},
      {u"MinDataLen", TDataType::dtNumber, Variant(3)},
      {u"KeyboardLayout", TDataType::dtNumber, Variant(1033)},
      {u"IgnoreModificators", TDataType::dtBoolean, Variant(false)},
      {u"UpperCaseData", TDataType::dtBoolean, Variant(false)},
      {u"DeleteCRLFPostfix", TDataType::dtBoolean, Variant(true)},
  };
  const TSettingArray& rows = driver_->SettingList();
  ASSERT_EQ(rows.size(), std::size(expected));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].ID, expected[i].id) << i;
    EXPECT_EQ(rows[i].ValueType, expected[i].type) << i;
    EXPECT_EQ(rows[i].Value, expected[i].value) << i;
    EXPECT_EQ(rows[i].Default, expected[i].value) << i;
    EXPECT_FALSE(rows[i].ReadOnly) << i;
    EXPECT_FALSE(rows[i].Name.empty()) << i;
  }
  EXPECT_EQ(driver_->FindSetting(u"DeleteCRLFPostfix")->Name, u"Удалять перенос строки в конце");
}

}  // namespace
}  // namespace equ

namespace equ {
namespace {

// Driver objects with the native platform's channels, a fake manager, and shared memory of
// this process only (parallel test runs must not meet in one mailbox).
class DriverRoutingTest : public testing::DeviceFixture {
 protected:
  DriverRoutingTest()
      : routingPorts_(PlatformPorts{
            .mutexes = std::make_shared<posix::PosixNamedMutexes>(folders_.Root().string()),
            .sharedMemory = std::make_shared<testing::InProcessSharedMemory>()}) {}

  ObjectPtr<TDriver> NewDriver(std::int32_t interfaceType) {
    auto driver = MakeObject<TDriver>(DriverPortsOf(Platform()));
    driver->SetSettingValue(u"InterfaceType", Variant(interfaceType));
    return driver;
  }

  std::int32_t QueueCount(TDriver& driver) { return driver.ScanDataList().Count(); }

  testing::TempDataFolders folders_;  // a lock folder of this test's own
  ScopedPlatformPorts routingPorts_;
};

TEST_F(DriverRoutingTest, OneKeyboardDriverAtATime) {
  auto first = NewDriver(1);
  auto second = NewDriver(1);
  WideString description;
  ASSERT_EQ(first->Enable(description), 0) << WideToUtf8(description);
  EXPECT_TRUE(first->HoldsKeyboardMutex());
  EXPECT_EQ(second->Enable(description), 1001);
  EXPECT_EQ(description, u"Нельзя использовать более одного клавиатурного сканера одновременно");
  EXPECT_FALSE(second->HoldsKeyboardMutex()) << "a refusal keeps nothing of the mutex";
  first.reset();
  description.clear();
  EXPECT_EQ(second->Enable(description), 0) << WideToUtf8(description);
}

TEST_F(DriverRoutingTest, DisablingGivesTheKeyboardBackAndReEnablingWorks) {
  auto first = NewDriver(1);
  auto second = NewDriver(1);
  ASSERT_EQ(first->Enable(), 0);
  ASSERT_EQ(first->Enable(), 0) << "the same object enables again";
  first->Disable();
  EXPECT_FALSE(first->HoldsKeyboardMutex());
  EXPECT_EQ(second->Enable(), 0);
}

// Whatever makes a keyboard enabling fail after the mutex was taken gives it back, so the
// next keyboard driver of the logon is not refused.
struct FailedKeyboardEnablingCase {
  const char* name;
  const char16_t* setting;
  Variant value;
};

class FailedKeyboardEnablingTest
    : public DriverRoutingTest,
      public ::testing::WithParamInterface<FailedKeyboardEnablingCase> {};

TEST_P(FailedKeyboardEnablingTest, GivesTheMutexBack) {
  auto failing = NewDriver(1);
  failing->SetSettingValue(GetParam().setting, GetParam().value);
  WideString description;
  EXPECT_EQ(failing->Enable(description), 1001);
  EXPECT_FALSE(description.empty());
  EXPECT_FALSE(failing->HoldsKeyboardMutex());
  EXPECT_FALSE(failing->Enabled());
  auto second = NewDriver(1);
  description.clear();
  EXPECT_EQ(second->Enable(description), 0) << WideToUtf8(description);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FailedKeyboardEnablingTest,
    ::testing::Values(
        FailedKeyboardEnablingCase{"IntervalAsText", u"InterCharIntervalKbd", Variant(u"abc")},
        FailedKeyboardEnablingCase{"LayoutAsText", u"KeyboardLayout", Variant(u"русская")},
        FailedKeyboardEnablingCase{"UpperCaseAsText", u"UpperCaseData", Variant(u"может быть")}),
    [](const ::testing::TestParamInfo<FailedKeyboardEnablingCase>& p) { return p.param.name; });

TEST_F(DriverRoutingTest, KeyboardChannelGetsTheSettingsOfEachEnabling) {
  auto driver = NewDriver(1);
  driver->SetSettingValue(u"MinDataLen", Variant(10));
  driver->SetSettingValue(u"InterCharIntervalKbd", Variant(45));
  driver->SetSettingValue(u"UpperCaseData", Variant(true));
  driver->SetSettingValue(u"PrefixKbd", Variant(u"#37"));
  ASSERT_EQ(driver->Enable(), 0);
  ASSERT_EQ(driver->Enable(), 0);
  const TScannerKeyboard& channel = *driver->DeviceKeyboard();
  EXPECT_EQ(channel.MinDataLen(), 3) << "the channel always runs with three";
  EXPECT_EQ(channel.InterCharInterval(), 45u);
  EXPECT_TRUE(channel.UpperCaseData());
  EXPECT_FALSE(channel.IgnoreModificators());
  EXPECT_EQ(channel.Count(), 1) << "only the definition of the latest enabling";
}

// An enabled keyboard driver's CheckHealth tells how its keyboard hook is; a disabled one
// enables and disables as every device does.
TEST_F(DriverRoutingTest, CheckHealthOfAKeyboardDriverTellsTheHooksState) {
  auto driver = NewDriver(1);
  WideString description;
  EXPECT_EQ(driver->DoCheckHealth(description), 0);
  EXPECT_FALSE(driver->DeviceKeyboard()->IsHookInstalled()) << "disabled again";
  ASSERT_EQ(driver->Enable(), 0);
  EXPECT_EQ(driver->DoCheckHealth(description), 0);
  EXPECT_EQ(description, u"Перехват клавиатуры установлен и работает");
}

// A keyboard driver whose channel runs on fake keyboard threads.
class TDriverOnFakeKeyboard : public TDriver {
 public:
  TDriverOnFakeKeyboard(TDriverPorts ports, std::shared_ptr<testing::FakeKeyboardThreads> threads)
      : TDriver(std::move(ports)), threads_(std::move(threads)) {}

 protected:
  std::unique_ptr<TScannerKeyboard> CreateKeyboardChannel() override {
    return std::make_unique<TScannerKeyboard>(testing::FakeKeyboardPorts(threads_));
  }

 private:
  std::shared_ptr<testing::FakeKeyboardThreads> threads_;
};

// A hook the system took away is put back and reported to the manager as an ErrorEvent.
TEST_F(DriverRoutingTest, LostKeyboardHookIsReportedThroughErrorEvent) {
  testing::SimulatedClock clock;
  auto threads = std::make_shared<testing::FakeKeyboardThreads>(clock);
  auto driver = MakeObject<TDriverOnFakeKeyboard>(DriverPortsOf(Platform()), threads);
  std::int32_t init = -1;
  ASSERT_EQ(driver->GetIDsOfNames(u"Init", init), hresult::kOk);
  SafeArray params =
      SafeArray::Vector({Variant(std::shared_ptr<DispatchPort>(manager_)), Variant()});
  Variant result;
  ASSERT_EQ(driver->Invoke(init, kDispatchMethod, params, result, nullptr), hresult::kOk);
  driver->SetSettingValue(u"InterfaceType", Variant(1));
  ASSERT_EQ(driver->Enable(), 0);
  threads->hook->RemoveBySystem();
  clock.AdvanceBy(TScannerKeyboard::kHookCheckIntervalMs + 10);
  posix::PosixMessageWindows().ServeMessagesUntil([] { return false; }, 0);
  const auto reports = manager_->CallsOf(u"ErrorEvent");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].args[1].value, Variant(u"KeyboardHookLost"));
  WideString description;
  EXPECT_EQ(driver->DoCheckHealth(description), 0);
  EXPECT_NE(description.find(u"восстановлен"), WideString::npos) << WideToUtf8(description);
}

TEST_F(DriverRoutingTest, SerialEnablingReportsThePortFailure) {
  auto driver = NewDriver(0);
  driver->SetSettingValue(u"PortNumber", Variant(250));
  WideString description;
  EXPECT_EQ(driver->Enable(description), 1011);
  EXPECT_FALSE(description.empty());
  EXPECT_EQ(driver->DeviceState(), TDeviceState::dsCreated);
}

TEST_F(DriverRoutingTest, ScanWithoutAReceiverIsQueued) {
  auto driver = NewDriver(0);
  driver->ProcessScanData(u"4600000000001");
  ASSERT_EQ(QueueCount(*driver), 1);
  EXPECT_EQ(driver->ScanDataList().GetFirstDataItem()->ScanData(), u"4600000000001");
  EXPECT_EQ(driver->ScanDataList().GetFirstDataItem()->ScanDataLabel(), u"4600000000001");
  EXPECT_EQ(driver->ScanDataList().GetFirstDataItem()->ScanDataType(), 0);
}

TEST_F(DriverRoutingTest, WaitingPaymentDriverTakesTheScan) {
  auto driver = NewDriver(0);
  {
    TVornDriver receiver(VornPortsOf(Platform()));
    receiver.CreateMailbox();
    driver->ProcessScanData(u"Код оплаты");
    EXPECT_TRUE(receiver.IsScannedOrCancel());
    EXPECT_EQ(receiver.ScanData(), u"Код оплаты");
    EXPECT_EQ(QueueCount(*driver), 0);
  }
  driver->ProcessScanData(u"после");
  EXPECT_EQ(QueueCount(*driver), 1) << "with the receiver gone, scans queue again";
}

TEST_F(DriverRoutingTest, ScanWhoseEventFailsStaysQueuedAndNothingEscapes) {
  auto driver = NewDriver(0);
  driver->SetEventEnabled(true);  // no manager: the data event fails
  EXPECT_NO_THROW(driver->ProcessScanData(u"123"));
  EXPECT_EQ(QueueCount(*driver), 1);
}

// A test window that "shows" by delivering scans, then is closed by the user.
class ScriptedTestWindows : public TextLogWindows {
 public:
  std::function<void()> whileOpen;
  WideString shownText;
  TextLogWindowDesign design;

  std::unique_ptr<TextLogWindow> Create(const TextLogWindowDesign& d) override {
    design = d;
    return std::make_unique<Window>(*this);
  }

 private:
  class Window : public TextLogWindow {
   public:
    explicit Window(ScriptedTestWindows& owner) : owner_(owner) {}
    void SetText(const WideString& text) override { owner_.shownText = text; }
    void ShowModal(Events events) override {
      if (owner_.whileOpen) owner_.whileOpen();
      events.onClose();
    }

   private:
    ScriptedTestWindows& owner_;
  };
};

TEST_F(DriverRoutingTest, TestWindowShowsScansAsLinesAndDisablesOnClose) {
  auto windows = std::make_shared<ScriptedTestWindows>();
  ScopedPlatformPorts scope(PlatformPorts{.textLogWindows = windows});
  auto driver = NewDriver(1);
  windows->whileOpen = [&] {
    EXPECT_TRUE(driver->Enabled());
    driver->ProcessScanData(u"111");
    driver->ProcessScanData(u"222");
  };
  WideString description;
  EXPECT_TRUE(driver->DeviceTest(description));
  EXPECT_EQ(windows->shownText, u"111\r\n222");
  EXPECT_EQ(windows->design.caption, u"Тестирование устройства");
  EXPECT_EQ(windows->design.clientWidth, 594);
  EXPECT_EQ(windows->design.clientHeight, 268);
  EXPECT_EQ(windows->design.clearCaption, u"Очистить");
  EXPECT_EQ(QueueCount(*driver), 0) << "test scans are neither queued nor handed off";
  EXPECT_FALSE(driver->Enabled()) << "closing the window disables the driver";
  EXPECT_EQ(driver->TestForm(), nullptr);
}

TEST_F(DriverRoutingTest, TestWindowIsModalForEveryWindowOfTheHost) {
  auto windows = std::make_shared<ScriptedTestWindows>();
  auto focus = std::make_shared<testing::FakeWindowFocus>();
  ScopedPlatformPorts scope(PlatformPorts{.windowFocus = focus, .textLogWindows = windows});
  focus->enabled = {{1, true}, {2, true}, {3, false}};
  focus->foreground = 2;
  std::map<std::uintptr_t, bool> whileOpen;
  windows->whileOpen = [&] { whileOpen = focus->enabled; };
  auto driver = NewDriver(1);
  WideString description;
  EXPECT_TRUE(driver->DeviceTest(description));
  EXPECT_EQ(whileOpen, (std::map<std::uintptr_t, bool>{{1, false}, {2, false}, {3, false}}));
  EXPECT_EQ(focus->enabled, (std::map<std::uintptr_t, bool>{{1, true}, {2, true}, {3, false}}));
}

TEST_F(DriverRoutingTest, TestWindowIsNotShownWhenTheDriverDoesNotEnable) {
  auto windows = std::make_shared<ScriptedTestWindows>();
  ScopedPlatformPorts scope(PlatformPorts{.textLogWindows = windows});
  auto driver = NewDriver(0);
  driver->SetSettingValue(u"PortNumber", Variant(250));
  bool shown = false;
  windows->whileOpen = [&] { shown = true; };
  WideString description;
  EXPECT_THROW(driver->DeviceTest(description), Exception);
  EXPECT_FALSE(shown);
  EXPECT_EQ(driver->TestForm(), nullptr);
}

}  // namespace
}  // namespace equ
