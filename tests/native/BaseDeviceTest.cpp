#include <gtest/gtest.h>

#include "DeviceFixture.h"
#include "equipment/common/Exceptions.h"

namespace equ {
namespace {

using testing::DeviceFixture;
using testing::TProbeScanner;

class BaseDeviceTest : public DeviceFixture {};

TEST_F(BaseDeviceTest, ThirteenHostMethodsInTheirOrder) {
  const char16_t* names[] = {u"Init",
                             u"Open",
                             u"Close",
                             u"ShowSettingsDlg",
                             u"GetDeviceInfo",
                             u"Enable",
                             u"Disable",
                             u"GetSettings",
                             u"SetSettings",
                             u"CheckHealth",
                             u"EnableDataEvents",
                             u"GetDataCount",
                             u"GetScanData"};
  ASSERT_EQ(device_->MethodList().size(), 13u);
  for (std::int32_t i = 0; i < 13; ++i) {
    EXPECT_EQ(device_->FindMethodID(names[i]), i) << WideToUtf8(names[i]);
    EXPECT_EQ(device_->MethodList()[static_cast<std::size_t>(i)].IsPublic, i >= 3);
    EXPECT_EQ(device_->MethodList()[static_cast<std::size_t>(i)].IsSpecific, i >= 10);
  }
}

TEST_F(BaseDeviceTest, FreshDeviceHasItsDefaults) {
  EXPECT_EQ(device_->DeviceState(), TDeviceState::dsCreated);
  const TSettingArray& rows = device_->SettingList();
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[0].ID, u"DefaultTimeOut");
  EXPECT_EQ(rows[0].Value, Variant(120));
  EXPECT_EQ(rows[1].ID, u"EventLogEnabled");
  EXPECT_EQ(rows[2].ID, u"DebugLogEnabled");
  EXPECT_EQ(rows[3].ID, u"Prefix");
  EXPECT_EQ(rows[5].ID, u"AutoDisableDataEvent");
  EXPECT_EQ(device_->DeviceInfo().MajorVersion, 1);
  EXPECT_EQ(device_->DeviceInfo().MinorVersion, 1);
  EXPECT_EQ(device_->DeviceInfo().BuildVersion, 2) << "the fourth number of 1.1.1.2";
  EXPECT_EQ(device_->GetDeviceVersion(), u"1.1.2");
}

TEST_F(BaseDeviceTest, GetDeviceInfoGivesFifteenValues) {
  Variant out;
  ASSERT_TRUE(CallPublic(u"GetDeviceInfo", Variant(), &out));
  ASSERT_TRUE(out.IsArray());
  const SafeArray& info = *out.Array();
  ASSERT_EQ(info.ElementCount(), 15u);
  EXPECT_EQ(info.At(0), Variant(u"Scanner"));
  EXPECT_EQ(info.At(3), Variant(1));
  EXPECT_EQ(info.At(5), Variant(2));
  EXPECT_EQ(info.At(7), Variant(1));
  EXPECT_EQ(info.At(8), Variant(false));
  EXPECT_EQ(info.At(10), Variant(u"ООО \"МОВАК\""));
}

TEST_F(BaseDeviceTest, InitStoresTheManagerAndFetchesFolderAndLanguage) {
  EXPECT_EQ(InitWithManager(), u"Нет ошибок");
  EXPECT_EQ(device_->DeviceState(), TDeviceState::dsInited);
  EXPECT_EQ(device_->ModelsFolder(), u"C:\\Models\\");
  EXPECT_EQ(device_->Language(), u"ru");
  const auto properties = manager_->CallsOf(u"GetAppProperty");
  ASSERT_EQ(properties.size(), 2u);
  for (const auto& call : properties) {
    ASSERT_EQ(call.args.size(), 3u);
    for (const DispatchArgument& arg : call.args) EXPECT_TRUE(arg.byRef);
  }
}

TEST_F(BaseDeviceTest, InitWithANonObjectFailsWithBadParameters) {
  SafeArray params = SafeArray::Vector({Variant(u"not a manager"), Variant()});
  Variant result;
  ASSERT_EQ(Invoke(u"Init", params, result), hresult::kOk);
  EXPECT_EQ(result, Variant(false));
  EXPECT_EQ(params.At(1), Variant(u"Ошибка входных параметров команды"));
  EXPECT_TRUE(device_->EqManager().IsEmpty());
  EXPECT_EQ(device_->DeviceState(), TDeviceState::dsCreated);
}

TEST_F(BaseDeviceTest, OpenBeforeInitCarriesManagerUnavailable) {
  SafeArray params = SafeArray::Vector({Variant(u"dev1"), Variant()});
  Variant result;
  InvokeExceptionInfo info;
  EXPECT_EQ(Invoke(u"Open", params, result, &info), hresult::kDispException);
  EXPECT_EQ(info.scode, 1001);
  EXPECT_EQ(info.description, u"Менеджер оборудования недоступен");
}

TEST_F(BaseDeviceTest, OpenSetsTheDeviceFolderAndCloseDropsTheManager) {
  InitWithManager();
  OpenDevice(u"dev1");
  EXPECT_EQ(device_->DeviceID(), u"dev1");
  EXPECT_EQ(device_->DeviceFolder(), u"C:\\Devices\\dev1\\");
  SafeArray none = SafeArray::Vector({});
  Variant result;
  ASSERT_EQ(Invoke(u"Close", none, result), hresult::kOk);
  EXPECT_EQ(result, Variant(true));
  EXPECT_TRUE(device_->EqManager().IsEmpty());
  EXPECT_EQ(device_->DeviceID(), u"");
}

TEST_F(BaseDeviceTest, OpenWithANonStringFailsWithBadParameters) {
  InitWithManager();
  SafeArray params = SafeArray::Vector({Variant(5), Variant()});
  Variant result;
  ASSERT_EQ(Invoke(u"Open", params, result), hresult::kOk);
  EXPECT_EQ(result, Variant(false));
  EXPECT_EQ(params.At(1), Variant(u"Ошибка входных параметров команды"));
}

struct LifecycleStep {
  const char* name;
  const char16_t* method;
  std::int32_t enableCode;
  TDeviceState before;
  bool expectedResult;
  TDeviceState after;
};

class LifecycleTest : public DeviceFixture, public ::testing::WithParamInterface<LifecycleStep> {};

TEST_P(LifecycleTest, StateFollowsTheCodeOfEachStep) {
  const LifecycleStep& step = GetParam();
  if (step.before == TDeviceState::dsEnabled) {
    ASSERT_EQ(device_->Enable(), 0);
  }
  if (step.before == TDeviceState::dsInited) InitWithManager();
  device_->enableCode = step.enableCode;
  Variant out;
  EXPECT_EQ(CallPublic(step.method, Variant(), &out), step.expectedResult);
  EXPECT_EQ(device_->DeviceState(), step.after);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LifecycleTest,
    ::testing::Values(LifecycleStep{"EnableFromCreated", u"Enable", 0, TDeviceState::dsCreated,
                                    true, TDeviceState::dsEnabled},
                      LifecycleStep{"EnableTwice", u"Enable", 0, TDeviceState::dsEnabled, true,
                                    TDeviceState::dsEnabled},
                      LifecycleStep{"FailedEnableKeepsState", u"Enable", 1011,
                                    TDeviceState::dsInited, false, TDeviceState::dsInited},
                      LifecycleStep{"Disable", u"Disable", 0, TDeviceState::dsEnabled, true,
                                    TDeviceState::dsInited},
                      LifecycleStep{"DisableWhenCreated", u"Disable", 0, TDeviceState::dsCreated,
                                    true, TDeviceState::dsInited},
                      LifecycleStep{"CheckHealthWhenDisabled", u"CheckHealth", 0,
                                    TDeviceState::dsInited, true, TDeviceState::dsInited},
                      LifecycleStep{"CheckHealthWhenEnabled", u"CheckHealth", 1011,
                                    TDeviceState::dsEnabled, true, TDeviceState::dsEnabled}),
    [](const ::testing::TestParamInfo<LifecycleStep>& p) { return p.param.name; });

TEST_F(BaseDeviceTest, FailedEnableKeepsItsOwnDescription) {
  device_->enableCode = 1011;
  device_->enableDescription = u"COM3 занят";
  Variant out;
  EXPECT_FALSE(CallPublic(u"Enable", Variant(), &out));
  EXPECT_EQ(out, ErrorArray(1011, u"COM3 занят"));
  device_->enableDescription.clear();
  EXPECT_FALSE(CallPublic(u"Enable", Variant(), &out));
  EXPECT_EQ(out, ErrorArray(1011, u"Порт недоступен"));
}

TEST_F(BaseDeviceTest, CheckHealthOnADisabledDeviceEnablesDisablesAndReportsTheTableText) {
  device_->enableCode = 1001;
  device_->enableDescription = u"своё описание";
  Variant out;
  EXPECT_FALSE(CallPublic(u"CheckHealth", Variant(), &out));
  EXPECT_EQ(out, ErrorArray(1001, u"Неизвестная ошибка"));
  EXPECT_EQ(device_->enables, 1);
  EXPECT_EQ(device_->disables, 1) << "disabled again even though the enabling failed";
}

TEST_F(BaseDeviceTest, CheckHealthOnAnEnabledDeviceDoesNotEnableAgain) {
  ASSERT_EQ(device_->Enable(), 0);
  EXPECT_TRUE(CallPublic(u"CheckHealth", Variant()));
  EXPECT_EQ(device_->enables, 1);
  EXPECT_EQ(device_->disables, 0);
}

TEST_F(BaseDeviceTest, ShowSettingsDlgWithoutADialogIsNotSupported) {
  Variant out;
  EXPECT_FALSE(CallPublic(u"ShowSettingsDlg", Variant(), &out));
  EXPECT_EQ(out, ErrorArray(1003, u"Команда не поддерживается устройством"));
}

TEST_F(BaseDeviceTest, ShowSettingsDlgAnswersOkOrCancelled) {
  ObjectPtr<TProbeScanner> withDialog(new TProbeScanner());
  withDialog->hasSettingsDialog = true;
  withDialog->Initialize();
  device_ = std::move(withDialog);
  EXPECT_TRUE(CallPublic(u"ShowSettingsDlg", Variant()));
  device_->dialogAnswer = false;
  Variant out;
  EXPECT_FALSE(CallPublic(u"ShowSettingsDlg", Variant(), &out));
  EXPECT_EQ(out, ErrorArray(201, u"Операция отменена пользователем"));
}

TEST_F(BaseDeviceTest, GetSettingsGivesSevenRowsPerSetting) {
  Variant out;
  ASSERT_TRUE(CallPublic(u"GetSettings", Variant(), &out));
  ASSERT_EQ(out.Array()->ElementCount(), 1u);
  const SafeArray& table = *out.Array()->At(0).Array();
  ASSERT_EQ(table.Dimensions(), 2u);
  EXPECT_EQ(table.Bounds()[0], (ArrayBound{0, 7}));
  EXPECT_EQ(table.Bounds()[1], (ArrayBound{0, 6}));
  const auto cell = [&](std::int32_t row, std::int32_t column) {
    const std::int32_t index[] = {row, column};
    return *table.Find(index);
  };
  EXPECT_EQ(cell(0, 0), Variant(u"DefaultTimeOut"));
  EXPECT_EQ(cell(1, 0), Variant(120));
  EXPECT_EQ(cell(2, 0), Variant(u"Number"));
  EXPECT_EQ(cell(3, 0), Variant(120));
  EXPECT_EQ(cell(4, 0), Variant(false));
  EXPECT_EQ(cell(5, 0), Variant(u"Таймаут по умолчанию"));
  EXPECT_EQ(cell(2, 1), Variant(u"Boolean"));
  EXPECT_EQ(cell(2, 3), Variant(u"String"));
}

TEST_F(BaseDeviceTest, SetSettingsWithGetSettingsOutputChangesNothing) {
  Variant settings;
  ASSERT_TRUE(CallPublic(u"GetSettings", Variant(), &settings));
  const TSettingArray before = device_->SettingList();
  EXPECT_TRUE(CallPublic(u"SetSettings", settings));
  ASSERT_EQ(device_->SettingList().size(), before.size());
  for (std::size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(device_->SettingList()[i].Value, before[i].Value) << i;
  }
  EXPECT_EQ(device_->settingsChanged, 1);
}

TEST_F(BaseDeviceTest, SetSettingsTakesRowsZeroAndOneOverAnyRange) {
  SafeArray table(VarType::Variant, {{0, 2}, {5, 3}});
  const auto put = [&](std::int32_t row, std::int32_t column, Variant value) {
    const std::int32_t index[] = {row, column};
    *table.Find(index) = std::move(value);
  };
  put(0, 5, Variant(u"defaulttimeout"));
  put(1, 5, Variant(u"30"));
  put(0, 6, Variant(u"NoSuchSetting"));
  put(1, 6, Variant(1));
  put(0, 7, Variant(u"Prefix"));
  put(1, 7, Variant(u"%"));
  EXPECT_TRUE(CallPublic(u"SetSettings", Variant(SafeArray::Vector({Variant(table)}))));
  EXPECT_EQ(device_->GetSettingValue(u"DefaultTimeOut"), Variant(u"30")) << "stored unconverted";
  EXPECT_EQ(device_->GetSettingValue(u"Prefix"), Variant(u"%"));
  EXPECT_EQ(device_->SettingList().size(), 6u);
}

// An identifier in the middle of the array that cannot be read as text: nothing of the array
// is applied, not even the columns before it.
struct UnreadableIdCase {
  const char* name;
  Variant id;
};

class SetSettingsUnreadableIdTest : public BaseDeviceTest,
                                    public ::testing::WithParamInterface<UnreadableIdCase> {};

TEST_P(SetSettingsUnreadableIdTest, ChangesNothingAndAnswers1004) {
  SafeArray table(VarType::Variant, {{0, 2}, {0, 3}});
  const auto put = [&](std::int32_t row, std::int32_t column, Variant value) {
    const std::int32_t index[] = {row, column};
    *table.Find(index) = std::move(value);
  };
  put(0, 0, Variant(u"DefaultTimeOut"));
  put(1, 0, Variant(30));
  put(0, 1, GetParam().id);
  put(1, 1, Variant(true));
  put(0, 2, Variant(u"Prefix"));
  put(1, 2, Variant(u"%"));
  Variant out;
  EXPECT_FALSE(CallPublic(u"SetSettings", Variant(SafeArray::Vector({Variant(table)})), &out));
  ASSERT_TRUE(out.IsArray());
  EXPECT_EQ(out.Array()->At(0), Variant(1004));
  EXPECT_EQ(out.Array()->At(1),
            Variant(u"Ошибка входных параметров команды: идентификатор настройки в столбце 1 не "
                    u"является текстом"));
  EXPECT_EQ(device_->GetSettingValue(u"DefaultTimeOut"), Variant(120));
  EXPECT_EQ(device_->GetSettingValue(u"Prefix"), Variant(WideString()));
  EXPECT_EQ(device_->settingsChanged, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SetSettingsUnreadableIdTest,
    ::testing::Values(UnreadableIdCase{"Null", Variant::Null()},
                      UnreadableIdCase{"Object", Variant(std::shared_ptr<DispatchPort>(
                                                     std::make_shared<testing::FakeManager>()))},
                      UnreadableIdCase{"Array", Variant(SafeArray::Vector({Variant(u"Prefix")}))}),
    [](const ::testing::TestParamInfo<UnreadableIdCase>& p) { return p.param.name; });

TEST_F(BaseDeviceTest, SetSettingsWithoutARowOfValuesChangesNothing) {
  SafeArray table(VarType::Variant, {{0, 1}, {0, 1}});
  const std::int32_t index[] = {0, 0};
  *table.Find(index) = Variant(u"DefaultTimeOut");
  Variant out;
  EXPECT_FALSE(CallPublic(u"SetSettings", Variant(SafeArray::Vector({Variant(table)})), &out));
  EXPECT_EQ(out.Array()->At(0), Variant(1004));
  EXPECT_EQ(device_->GetSettingValue(u"DefaultTimeOut"), Variant(120));
  EXPECT_EQ(device_->settingsChanged, 0);
}

TEST_F(BaseDeviceTest, SetSettingsSkipsEmptyAndUnknownIdentifiersWithCodeZero) {
  SafeArray table(VarType::Variant, {{0, 2}, {0, 3}});
  const auto put = [&](std::int32_t row, std::int32_t column, Variant value) {
    const std::int32_t index[] = {row, column};
    *table.Find(index) = std::move(value);
  };
  put(0, 0, Variant());
  put(1, 0, Variant(1));
  put(0, 1, Variant(u"NoSuchSetting"));
  put(1, 1, Variant(2));
  put(0, 2, Variant(u"DEFAULTTIMEOUT"));
  put(1, 2, Variant::Null());
  EXPECT_TRUE(CallPublic(u"SetSettings", Variant(SafeArray::Vector({Variant(table)}))));
  EXPECT_EQ(device_->GetSettingValue(u"DefaultTimeOut"), Variant::Null()) << "stored as given";
  EXPECT_EQ(device_->settingsChanged, 1);
}

TEST_F(BaseDeviceTest, SetSettingsWithoutAnArrayIsBadParameters) {
  Variant out;
  EXPECT_FALSE(CallPublic(u"SetSettings", Variant(u"x"), &out));
  EXPECT_EQ(out, ErrorArray(1004, u"Ошибка входных параметров команды"));
  EXPECT_FALSE(CallPublic(u"SetSettings", Variant(SafeArray::Vector({Variant(1)})), &out));
  EXPECT_EQ(device_->settingsChanged, 0);
}

TEST_F(BaseDeviceTest, EnableSwitchesTheTraceOnWithItsHeader) {
  device_->SetSettingValue(u"DebugLogEnabled", Variant(true));
  InitWithManager();
  OpenDevice(u"dev7");
  ASSERT_EQ(device_->Enable(), 0);
  EXPECT_TRUE(device_->DebugLogEnabled());
  EXPECT_EQ(device_->DebugLogDir(), u"C:\\Devices\\dev7\\");
  const auto& lines = trace_->lines;
  ASSERT_GE(lines.size(), 12u);
  EXPECT_EQ(lines[0].name, WideString(40, u' '));
  EXPECT_TRUE(lines[0].noText);
  EXPECT_EQ(lines[1].name, u"============Begin debug log=============");
  EXPECT_TRUE(trace_->Has(u"driver ver.", u"1.1.2"));
  EXPECT_TRUE(trace_->Has(u"device ID", u"dev7"));
  EXPECT_TRUE(trace_->Has(u"DefaultTimeOut", u"120"));
  EXPECT_TRUE(trace_->Has(u"DebugLogEnabled", u"True"));
  EXPECT_TRUE(trace_->Has(u"Prefix", u"''"));
  EXPECT_EQ(lines[11].name, u"----------------------------------------");
  device_->Disable();
  EXPECT_FALSE(device_->DebugLogEnabled());
}

TEST_F(BaseDeviceTest, DestructionDisablesAnEnabledDevice) {
  ASSERT_EQ(device_->Enable(), 0);
  SafeArray none = SafeArray::Vector({});
  Variant result;
  ASSERT_EQ(Invoke(u"Close", none, result), hresult::kOk);
  EXPECT_TRUE(device_->Enabled()) << "Close does not disable";
  TProbeScanner* raw = device_.get();
  raw->BeforeDestruction();
  EXPECT_EQ(raw->disables, 1);
  EXPECT_FALSE(raw->Enabled());
}

TEST_F(BaseDeviceTest, EnabledPropertyRunsTheMatchingStep) {
  device_->SetEnabled(true);
  device_->SetEnabled(true);
  EXPECT_EQ(device_->enables, 1);
  device_->SetEnabled(false);
  EXPECT_EQ(device_->disables, 1);
}

}  // namespace
}  // namespace equ
