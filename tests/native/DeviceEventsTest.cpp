#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "DeviceFixture.h"
#include "equipment/common/Exceptions.h"
#include "platform/WindowFocus.h"

namespace equ {
namespace {

using testing::DeviceFixture;

class DeviceEventsTest : public DeviceFixture {
 protected:
  void SetUp() override {
    InitWithManager();
    OpenDevice(u"dev1");
    manager_->calls.clear();
  }
};

TEST_F(DeviceEventsTest, EveryServiceButWriteLogNeedsAManager) {
  SafeArray none = SafeArray::Vector({});
  Variant result;
  ASSERT_EQ(Invoke(u"Close", none, result), hresult::kOk);
  Variant ext;
  const auto expectUnavailable = [](auto&& call) {
    try {
      call();
      ADD_FAILURE() << "no failure";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), u"Менеджер оборудования недоступен");
    }
  };
  expectUnavailable([&] { device_->DataEvent(u"ScanData", u"1", ext); });
  expectUnavailable([&] { device_->ErrorEvent(u"E", u"D", ext); });
  expectUnavailable([&] { device_->TaskState(1, u"x"); });
  expectUnavailable([&] { device_->ShowMessageDlg(u"x", 0, 0, 0); });
  expectUnavailable([&] { device_->InputDataDlg(u"c", u"d", u"e", u"m", false, 0); });
  expectUnavailable([&] { device_->GetAppProperty(u"Language"); });
  device_->SetEventLogEnabled(true);
  EXPECT_FALSE(device_->WriteLog(u"n", u"t", 1));
  EXPECT_TRUE(manager_->calls.empty());
}

TEST_F(DeviceEventsTest, DataEventTraceLineShowsExtraDataOnlyWhenThere) {
  device_->SetDebugLogEnabled(true);
  EXPECT_TRUE(device_->DataEvent(u"ScanData", u"123"));
  Variant ext(SafeArray::Vector({Variant(u"123"), Variant(u"123"), Variant(0)}));
  EXPECT_TRUE(device_->DataEvent(u"ScanData", u"123", ext));
  EXPECT_TRUE(trace_->Has(u"<-DataEvent", u"Event=ScanData; Data: 123"));
  EXPECT_TRUE(
      trace_->Has(u"<-DataEvent", u"Event=ScanData; Data: 123; ExtData: [('123'; '123'; 0)]"));
}

TEST_F(DeviceEventsTest, ManagerFailureTravelsToTheCaller) {
  manager_->answer = [](testing::FakeManager::Call&) -> Variant {
    throw Exception(u"DataEvent: сбой менеджера");
  };
  device_->SetDebugLogEnabled(true);
  trace_->lines.clear();  // the header
  EXPECT_THROW(device_->DataEvent(u"ScanData", u"1"), Exception);
  EXPECT_TRUE(trace_->lines.empty()) << "no trace line for a failed call";
}

TEST_F(DeviceEventsTest, TextAnswerWhereABooleanIsExpectedFails) {
  manager_->answer = [](testing::FakeManager::Call&) { return Variant(u"не булево"); };
  EXPECT_THROW(device_->DataEvent(u"ScanData", u"1"), EVariantError);
}

TEST_F(DeviceEventsTest, WriteLogTracesAlwaysAndCallsOnlyWithTheEventLogOn) {
  device_->SetDebugLogEnabled(true);
  EXPECT_FALSE(device_->WriteLog(u"Имя", u"Текст", 3));
  EXPECT_TRUE(manager_->calls.empty());
  EXPECT_TRUE(trace_->Has(u"Имя", u"Текст"));
  device_->SetEventLogEnabled(true);
  EXPECT_TRUE(device_->WriteLog(u"Имя", u"Текст", 3));
  const auto calls = manager_->CallsOf(u"WriteLog");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].args[3].value, Variant(3));
  EXPECT_TRUE(calls[0].args[3].byRef);
}

TEST_F(DeviceEventsTest, TaskStateLogsItsOutcome) {
  device_->SetEventLogEnabled(true);
  EXPECT_TRUE(device_->TaskState(50, u"Загрузка"));
  ASSERT_EQ(manager_->calls.size(), 2u);
  EXPECT_EQ(manager_->calls[0].name, u"TaskState");
  EXPECT_EQ(manager_->calls[0].args[1].value, Variant(50));
  EXPECT_EQ(manager_->calls[1].name, u"WriteLog");
  EXPECT_EQ(manager_->calls[1].args[1].value, Variant(u"TaskState"));
  EXPECT_EQ(manager_->calls[1].args[2].value,
            Variant(u"Percent=50; Description=Загрузка; Result=True"));
  EXPECT_EQ(manager_->calls[1].args[3].value, Variant(1));
}

TEST_F(DeviceEventsTest, DialogsPassTheirArgumentsAndReadTheAnswer) {
  EXPECT_EQ(device_->ShowMessageDlg(u"Вопрос", 1, 2, 30), 6);
  EXPECT_EQ(device_->InputDataDlg(u"Заголовок", u"0", u"Введите", u"", true, 10), u"введено");
  const auto input = manager_->CallsOf(u"InputDataDlg");
  ASSERT_EQ(input.size(), 1u);
  ASSERT_EQ(input[0].args.size(), 7u);
  EXPECT_EQ(input[0].args[5].value, Variant(true));
  EXPECT_TRUE(input[0].args[6].byRef);
}

TEST_F(DeviceEventsTest, AppPropertyThatTheManagerRefusesIsEmpty) {
  EXPECT_EQ(device_->GetAppProperty(u"Language"), u"ru");
  EXPECT_EQ(device_->GetAppProperty(u"Unknown"), u"");
  manager_->properties.erase(u"DevicesFolder");
  EXPECT_EQ(device_->GetDeviceFolder(), u"");
}

using testing::FakeWindowFocus;

TEST_F(DeviceEventsTest, ModalWindowSwitchesOffEveryEnabledHostWindowAndExactlyThoseBackOn) {
  auto focus = std::make_shared<FakeWindowFocus>();
  ScopedPlatformPorts scope(PlatformPorts{.windowFocus = focus});
  focus->enabled = {{11, true}, {12, true}, {13, false}};
  focus->foreground = 11;
  {
    const ModalHostWindows modal(*device_);
    EXPECT_EQ(focus->enabled,
              (std::map<std::uintptr_t, bool>{{11, false}, {12, false}, {13, false}}));
    focus->foreground = 99;  // the driver's own window came to the front
  }
  EXPECT_EQ(focus->enabled, (std::map<std::uintptr_t, bool>{{11, true}, {12, true}, {13, false}}))
      << "a window the host had switched off stays off";
  EXPECT_EQ(focus->broughtToFront, (std::vector<std::uintptr_t>{11}));
}

TEST_F(DeviceEventsTest, NestedModalWindowsRestoreInReverseOrder) {
  auto focus = std::make_shared<FakeWindowFocus>();
  ScopedPlatformPorts scope(PlatformPorts{.windowFocus = focus});
  device_->RestoreFocus();
  EXPECT_TRUE(focus->inputChanges.empty()) << "an empty stack does nothing";
  focus->enabled = {{11, true}};
  focus->foreground = 11;
  device_->StoreFocus();
  focus->enabled[22] = true;  // the driver's dialog, itself a window of the host thread
  focus->foreground = 22;
  device_->StoreFocus();
  focus->foreground = 0;
  device_->RestoreFocus();
  device_->RestoreFocus();
  const std::vector<std::pair<std::uintptr_t, bool>> expected{
      {11, false}, {22, false}, {22, true}, {11, true}};
  EXPECT_EQ(focus->inputChanges, expected);
  EXPECT_EQ(focus->broughtToFront, (std::vector<std::uintptr_t>{22, 11}));
}

TEST_F(DeviceEventsTest, NoWindowsAndNoForegroundChangeNothing) {
  auto focus = std::make_shared<FakeWindowFocus>();
  ScopedPlatformPorts scope(PlatformPorts{.windowFocus = focus});
  device_->StoreFocus();
  device_->RestoreFocus();
  EXPECT_TRUE(focus->inputChanges.empty());
  EXPECT_TRUE(focus->broughtToFront.empty());
}

TEST_F(DeviceEventsTest, SnapshotRestoresValuesAndLeavesDefaults) {
  device_->StoreSettings();
  device_->SetSettingValue(u"DefaultTimeOut", Variant(5));
  device_->SetSettingValue(u"Prefix", Variant(u"%"));
  device_->SetSettingValue(u"AutoDisableDataEvent", Variant(true));
  device_->RestoreSettings();
  EXPECT_EQ(device_->GetSettingValue(u"DefaultTimeOut"), Variant(120));
  EXPECT_EQ(device_->GetSettingValue(u"Prefix"), Variant(WideString()));
  EXPECT_EQ(device_->GetSettingValue(u"AutoDisableDataEvent"), Variant(false));
  device_->SetSettingValue(u"Prefix", Variant(u"#"));
  device_->RestoreSettings();
  EXPECT_EQ(device_->GetSettingValue(u"Prefix"), Variant(u"#")) << "the snapshot was consumed";
}

TEST_F(DeviceEventsTest, NamedSnapshotSkipsUnknownIdsAndTheLatestWins) {
  device_->SetSettingValue(u"Prefix", Variant(u"1"));
  const WideString first[] = {u"Prefix"};
  device_->StoreSettings(first);
  device_->SetSettingValue(u"Prefix", Variant(u"2"));
  const WideString second[] = {u"prefix", u"NoSuchSetting", u"Postfix"};
  device_->StoreSettings(second);
  device_->SetSettingValue(u"Prefix", Variant(u"3"));
  device_->SetSettingValue(u"Postfix", Variant(u"3"));
  device_->RestoreSettings();
  EXPECT_EQ(device_->GetSettingValue(u"Prefix"), Variant(u"2"));
  EXPECT_EQ(device_->GetSettingValue(u"Postfix"), Variant(WideString()));
  EXPECT_EQ(device_->SettingList().size(), 6u);
}

TEST_F(DeviceEventsTest, IndexedAccessAndAdditionalActions) {
  EXPECT_EQ(device_->GetSetting(-1), nullptr);
  EXPECT_EQ(device_->GetSetting(device_->SettingsCount()), nullptr);
  ASSERT_NE(device_->GetSetting(2), nullptr);
  EXPECT_EQ(device_->GetSetting(2)->ID, u"DebugLogEnabled");
  EXPECT_EQ(device_->FindSetting(u"debuglogenabled"), device_->GetSetting(2));
  EXPECT_EQ(device_->GetAddAction(0), nullptr);
  EXPECT_EQ(device_->AddActionsCount(), 0);
  WideString description;
  EXPECT_EQ(device_->RunAdditionalAction(u"any", description), 0);
}

}  // namespace
}  // namespace equ
