// The scanner driver on the serial channel with a real pty pair: what the host sees of a lost
// and restored port, and a host that disables the driver from its data event.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FakeManager.h"
#include "SerialTestSupport.h"
#include "equipment/common/AppLog.h"
#include "platform/PlatformPorts.h"
#include "platform/posix/PosixMessageWindow.h"
#include "platform/posix/PosixSerialPort.h"
#include "scanner/Driver.h"
#include "scanner/DriverPorts.h"

namespace equ {
namespace {

class DriverSerialTest : public ::testing::Test {
 protected:
  static constexpr int kPort = 7;

  void SetUp() override {
    if (!testing::PtyPair::SocatAvailable()) GTEST_SKIP() << "socat is not installed";
    pty = std::make_unique<testing::PtyPair>(kPort);
    ASSERT_TRUE(pty->Ready());
    directory = pty->Directory();
    TDriverPorts ports = DriverPortsOf(Platform());
    ports.serial = testing::ChannelPorts(
        windows, [dir = directory] { return std::make_unique<posix::PosixSerialPort>(dir); });
    driver = MakeObject<TDriver>(std::move(ports));
    driver->SetSettingValue(u"InterfaceType", Variant(0));
    driver->SetSettingValue(u"PortNumber", Variant(kPort));
    SafeArray init =
        SafeArray::Vector({Variant(std::shared_ptr<DispatchPort>(manager)), Variant()});
    Variant result;
    ASSERT_EQ(Call(u"Init", init, result), hresult::kOk);
  }
  void TearDown() override { driver.reset(); }

  HResult Call(std::u16string_view name, SafeArray& params, Variant& result) {
    std::int32_t id = -1;
    EXPECT_EQ(driver->GetIDsOfNames(name, id), hresult::kOk);
    return driver->Invoke(id, kDispatchMethod, params, result, nullptr);
  }
  // A public host method: its Boolean answer, OutData in outData.
  bool CallPublic(std::u16string_view name, Variant* outData = nullptr) {
    SafeArray params = SafeArray::Vector({Variant(), Variant(), Variant(0)});
    Variant result;
    EXPECT_EQ(Call(name, params, result), hresult::kOk);
    if (outData != nullptr) *outData = params.At(1);
    return result.ToBool();
  }
  bool Serve(const std::function<bool()>& done, int ms = 10000) {
    return windows->ServeMessagesUntil(done, ms);
  }
  std::vector<std::string> ErrorEvents() const {
    std::vector<std::string> events;
    for (const auto& call : manager->CallsOf(u"ErrorEvent")) {
      events.push_back(WideToUtf8(call.args[1].value.ToString()) + ": " +
                       WideToUtf8(call.args[2].value.ToString()));
    }
    return events;
  }
  std::vector<std::string> DataEvents() const {
    std::vector<std::string> events;
    for (const auto& call : manager->CallsOf(u"DataEvent")) {
      events.push_back(WideToUtf8(call.args[2].value.ToString()));
    }
    return events;
  }

  std::shared_ptr<posix::PosixMessageWindows> windows =
      std::make_shared<posix::PosixMessageWindows>();
  std::shared_ptr<testing::FakeManager> manager = std::make_shared<testing::FakeManager>();
  std::unique_ptr<testing::PtyPair> pty;
  std::string directory;
  ObjectPtr<TDriver> driver;
};

TEST_F(DriverSerialTest, ALostPortReachesTheManagerAndCheckHealthUntilItIsBack) {
  ASSERT_TRUE(CallPublic(u"Enable"));
  pty->Write("D1\r\n");
  ASSERT_TRUE(Serve([&] { return driver->ScanDataList().Count() == 1; }));
  EXPECT_TRUE(CallPublic(u"CheckHealth"));

  pty.reset();
  ASSERT_TRUE(Serve([&] { return ErrorEvents().size() == 1; }));
  EXPECT_EQ(ErrorEvents()[0], "ScannerPortLost: Связь со сканером потеряна: порт COM7 недоступен");
  Variant outData;
  EXPECT_FALSE(CallPublic(u"CheckHealth", &outData));
  EXPECT_EQ(outData,
            Variant(SafeArray::Vector(
                {Variant(1011), Variant(u"Связь со сканером потеряна: порт COM7 недоступен")})));

  pty = std::make_unique<testing::PtyPair>(kPort, directory);
  ASSERT_TRUE(Serve([&] { return ErrorEvents().size() == 2; }));
  EXPECT_EQ(ErrorEvents()[1],
            "ScannerPortRestored: Связь со сканером восстановлена: порт COM7 открыт");
  EXPECT_TRUE(CallPublic(u"CheckHealth"));
  pty->Write("D2\r\n");
  ASSERT_TRUE(Serve([&] { return driver->ScanDataList().Count() == 2; }));
  EXPECT_EQ(driver->ScanDataList().GetDataItem(1)->ScanData(), u"D2");
  EXPECT_EQ(ErrorEvents().size(), 2u);
}

TEST_F(DriverSerialTest, AHostThatDisablesInItsDataEventGetsEveryCutBarcode) {
  manager->answer = [this](testing::FakeManager::Call& call) {
    if (call.name == u"DataEvent") {
      EXPECT_TRUE(CallPublic(u"Disable"));
    }
    return Variant(true);
  };
  ASSERT_TRUE(CallPublic(u"Enable"));
  driver->SetEventEnabled(true);
  pty->Write("E1\r\nE2\r\n");
  ASSERT_TRUE(Serve([&] { return DataEvents().size() == 2; }));
  EXPECT_EQ(DataEvents(), (std::vector<std::string>{"E1", "E2"}));
  EXPECT_FALSE(driver->Enabled());
  EXPECT_EQ(driver->ScanDataList().Count(), 0);
  pty->Write("E3\r\n");
  Serve([] { return false; }, 100);
  EXPECT_EQ(DataEvents().size(), 2u) << "nothing read after Disable";
}

TEST_F(DriverSerialTest, AHostThatReEnablesInItsDataEventReadsOn) {
  manager->answer = [this](testing::FakeManager::Call& call) {
    if (call.name == u"DataEvent") {
      EXPECT_TRUE(CallPublic(u"Enable"));
    }
    return Variant(true);
  };
  ASSERT_TRUE(CallPublic(u"Enable"));
  driver->SetEventEnabled(true);
  pty->Write("F1\r\n");
  ASSERT_TRUE(Serve([&] { return DataEvents().size() == 1; }));
  pty->Write("F2\r\n");
  ASSERT_TRUE(Serve([&] { return DataEvents().size() == 2; }));
  EXPECT_EQ(DataEvents(), (std::vector<std::string>{"F1", "F2"}));
  EXPECT_TRUE(driver->Enabled());
}

TEST_F(DriverSerialTest, AHostThatReleasesTheDriverInItsDataEventGoesOn) {
  int events = 0;
  manager->answer = [&](testing::FakeManager::Call& call) {
    if (call.name == u"DataEvent" && ++events == 1) driver.reset();
    return Variant(true);
  };
  ASSERT_TRUE(CallPublic(u"Enable"));
  driver->SetEventEnabled(true);
  pty->Write("G1\r\nG2\r\n");
  ASSERT_TRUE(Serve([&] { return driver == nullptr; }));
  Serve([] { return false; }, 100);
  EXPECT_EQ(events, 1) << "a released driver raises no more events";
  pty->Write("G3\r\n");
  Serve([] { return false; }, 100);
  EXPECT_EQ(events, 1);
}

}  // namespace
}  // namespace equ
