#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DeviceFixture.h"
#include "SettingsFakes.h"
#include "equipment/common/BaseDevice.h"
#include "equipment/common/CommonSettings.h"
#include "equipment/common/Exceptions.h"
#include "platform/WindowFocus.h"

namespace equ {
namespace {

using testing::FakeDesktop;
using testing::SettingsPortsRig;

// A device with three settings of its own, a scripted device test, additional actions and a
// log of the steps the dialog takes on it.
class TDialogProbe : public TBaseDevice {
 public:
  std::vector<std::string> steps;
  std::int32_t enableCode = 0;
  WideString enableDescription;
  std::function<bool(WideString&)> test = [](WideString&) { return true; };
  std::int32_t actionCode = 0;
  std::vector<WideString> actionsRun;
  int settingsChanged = 0;

  void AddAction(const WideString& id, const WideString& caption) {
    AdditionalActions().push_back({id, caption});
  }
  bool DeviceTest(WideString& description) override {
    steps.push_back("test");
    return test(description);
  }
  std::int32_t RunAdditionalAction(const WideString& id, WideString& description) override {
    actionsRun.push_back(id);
    if (actionCode != 0) description = u"действие не выполнено";
    return actionCode;
  }

 protected:
  void OnSetDeviceInfo() override { MutableDeviceInfo().TypeName = u"Scanner"; }
  void RegisterSettings() override {
    TBaseDevice::RegisterSettings();
    RegisterSetting(u"A", TDataType::dtNumber, Variant(1), false, u"A", u"first");
    RegisterSetting(u"B", TDataType::dtNumber, Variant(2), false, u"B", u"second");
    RegisterSetting(u"C", TDataType::dtNumber, Variant(3), false, u"C", u"third");
  }
  std::int32_t OnEnable(WideString& description) override {
    steps.push_back("enable");
    description = enableDescription;
    return enableCode;
  }
  std::int32_t OnDisable(WideString&) override {
    steps.push_back("disable");
    return 0;
  }
  void OnSettingsChanged() override { ++settingsChanged; }
};

// A page that edits one number setting through one edit control and can refuse or fail.
class TProbePage : public TfrmBaseSettings {
 public:
  TProbePage(TfrmCommonSettings* owner, TBaseDevice& device, const TSettingsDialogPorts& ports,
             WideString caption, WideString setting)
      : TfrmBaseSettings(owner, device, ports), setting_(std::move(setting)) {
    SetDesign(std::move(caption), 200, 100);
    TPageControl edit;
    edit.Name = u"edt";
    edit.Kind = TControlKind::ckEdit;
    AddControl(edit);
  }
  bool refuse = false;
  bool failSaving = false;
  int reads = 0;
  int saves = 0;
  std::vector<std::pair<WideString, WideString>> notes;

  void OnReadSettings() override {
    ++reads;
    Control(u"edt").Text = DeviceManager().GetSettingValueStr(setting_);
  }
  void OnSaveSettings(bool& allowColse) override { allowColse = !refuse; }
  void OnSaveSettings() override {
    if (failSaving) throw Exception(u"\"x\" не является целым числом");
    ++saves;
    DeviceManager().SetSettingValue(setting_, Variant(StrToInt(Control(u"edt").Text)));
  }
  void OnNotify(const WideString& msg, const WideString& data) override {
    notes.emplace_back(msg, data);
  }
  void SetText(const WideString& text) { Control(u"edt").Text = text; }

  using TfrmBaseSettings::SetDesign;

 private:
  WideString setting_;
};

TPageClass ProbePageClass(const char16_t* caption, const char16_t* setting) {
  return [caption, setting](TfrmCommonSettings& owner, TBaseDevice& device,
                            const TSettingsDialogPorts& ports) {
    return std::unique_ptr<TfrmBaseSettings>(
        std::make_unique<TProbePage>(&owner, device, ports, caption, setting));
  };
}

class CommonSettingsTest : public testing::DeviceFixture {
 protected:
  CommonSettingsTest() { probe_ = MakeObject<TDialogProbe>(); }

  std::unique_ptr<TfrmCommonSettings> ThreePages() {
    const TPageClass pages[] = {ProbePageClass(u"Первая", u"A"), ProbePageClass(u"Вторая", u"B"),
                                ProbePageClass(u"Третья", u"C")};
    return std::make_unique<TfrmCommonSettings>(*probe_, pages, rig_.Ports());
  }
  static TProbePage& Page(TfrmCommonSettings& dialog, std::size_t i) {
    return static_cast<TProbePage&>(*dialog.Pages()[i]);
  }
  void InitAndOpen(TBaseDevice& device, const WideString& id) {
    const auto call = [&device](std::u16string_view name, SafeArray params) {
      std::int32_t dispId = -1;
      ASSERT_EQ(device.GetIDsOfNames(name, dispId), hresult::kOk);
      Variant result;
      ASSERT_EQ(device.Invoke(dispId, kDispatchMethod, params, result, nullptr), hresult::kOk);
      ASSERT_EQ(result, Variant(true));
    };
    call(u"Init", SafeArray::Vector({Variant(std::shared_ptr<DispatchPort>(manager_)), Variant()}));
    call(u"Open", SafeArray::Vector({Variant(id), Variant()}));
  }
  std::int32_t Value(const char16_t* id) const { return probe_->GetSettingValueInt(id); }
  WideString OnlyMessage() const {
    EXPECT_EQ(rig_.desktop->messages.size(), 1u);
    if (rig_.desktop->messages.empty()) return WideString();
    EXPECT_EQ(rig_.desktop->messages[0].caption, u"Ошибка");
    EXPECT_EQ(rig_.desktop->messages[0].icon, TMessageIcon::miError);
    return rig_.desktop->messages[0].text;
  }

  SettingsPortsRig rig_;
  ObjectPtr<TDialogProbe> probe_;
};

TEST_F(CommonSettingsTest, PagesStandInOrderWithTheInformationTabLast) {
  auto dialog = ThreePages();
  EXPECT_EQ(dialog->TabCaptions(),
            (std::vector<WideString>{u"Первая", u"Вторая", u"Третья", u"Информация"}));
  EXPECT_EQ(dialog->ActivePage(), 0);
  EXPECT_TRUE(dialog->CapSetDefault());
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(Page(*dialog, i).reads, 1) << "every page reads once when the dialog is made";
    EXPECT_EQ(Page(*dialog, i).OwnerFrm(), dialog.get());
  }
  EXPECT_EQ(Page(*dialog, 1).Control(u"edt").Text, u"2");
}

TEST_F(CommonSettingsTest, WithoutPagesOnlyInformationIsShownAndResetIsHidden) {
  TfrmCommonSettings dialog(*probe_, {}, rig_.Ports());
  EXPECT_EQ(dialog.TabCaptions(), std::vector<WideString>{u"Информация"});
  EXPECT_FALSE(dialog.CapSetDefault());
  EXPECT_FALSE(dialog.FindMenuItem(u"miReset")->Visible);
}

TEST_F(CommonSettingsTest, InformationRowsAndHeaderComeFromTheDeviceInformation) {
  auto dialog = ThreePages();
  const std::vector<TInfoRow>& rows = dialog->InfoRows();
  ASSERT_EQ(rows.size(), 6u);
  const char16_t* captions[] = {u"Тип:",         u"Модель:",   u"Версия:",
                                u"Разработчик:", u"Описание:", u"Контактная информация:"};
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].Caption, captions[i]);
  EXPECT_EQ(rows[0].Value, u"Сканер штрихкодов");
  EXPECT_EQ(rows[2].Value, probe_->GetDeviceVersion());
  EXPECT_EQ(rows[3].Value, probe_->DeviceInfo().DeveloperName);
  EXPECT_NE(rows[5].Value.find(u"E-mail:\t"), WideString::npos);
  EXPECT_EQ(dialog->ModelNameText(), probe_->DeviceInfo().ModelName);
  EXPECT_EQ(dialog->DriverVersionText(), probe_->GetDeviceVersion());
  EXPECT_EQ(dialog->PageControlHint(), u"Настройка параметров и подробная информация о драйвере");
}

TEST_F(CommonSettingsTest, OkWritesEveryPage) {
  auto dialog = ThreePages();
  Page(*dialog, 0).SetText(u"10");
  Page(*dialog, 1).SetText(u"20");
  Page(*dialog, 2).SetText(u"30");
  EXPECT_EQ(dialog->FormClose(TModalResult::mrOk), TModalResult::mrOk);
  EXPECT_EQ(Value(u"A"), 10);
  EXPECT_EQ(Value(u"B"), 20);
  EXPECT_EQ(Value(u"C"), 30);
}

struct RefusalCase {
  std::size_t refusingPage;
  std::vector<int> savedPages;
};

class CommonSettingsRefusalTest : public CommonSettingsTest,
                                  public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(CommonSettingsRefusalTest, SavingStopsAtTheFirstRefusalAndTheDialogStaysOpen) {
  auto dialog = ThreePages();
  for (std::size_t i = 0; i < 3; ++i) Page(*dialog, i).SetText(u"7");
  Page(*dialog, GetParam().refusingPage).refuse = true;
  EXPECT_EQ(dialog->FormClose(TModalResult::mrOk), TModalResult::mrNone);
  std::vector<int> saved;
  for (std::size_t i = 0; i < 3; ++i) saved.push_back(Page(*dialog, i).saves);
  EXPECT_EQ(saved, GetParam().savedPages);
  EXPECT_TRUE(rig_.desktop->messages.empty()) << "a refusing page tells the user itself";
}

INSTANTIATE_TEST_SUITE_P(Pages, CommonSettingsRefusalTest,
                         ::testing::Values(RefusalCase{0, {0, 0, 0}}, RefusalCase{1, {1, 0, 0}},
                                           RefusalCase{2, {1, 1, 0}}));

TEST_F(CommonSettingsTest, AFailureWhileSavingIsShownAndTheDialogStaysOpen) {
  auto dialog = ThreePages();
  Page(*dialog, 0).SetText(u"11");
  Page(*dialog, 1).failSaving = true;
  EXPECT_EQ(dialog->FormClose(TModalResult::mrOk), TModalResult::mrNone);
  EXPECT_EQ(OnlyMessage(), u"\"x\" не является целым числом");
  EXPECT_EQ(Value(u"A"), 11) << "pages saved before the failure keep their values";
}

TEST_F(CommonSettingsTest, CancelRightAfterResetKeepsTheDefaultsWithoutASnapshot) {
  probe_->SetSettingValue(u"A", Variant(55));
  auto dialog = ThreePages();
  dialog->miResetClick();
  EXPECT_EQ(Page(*dialog, 0).Control(u"edt").Text, u"1") << "the pages show the defaults";
  EXPECT_EQ(dialog->FormClose(TModalResult::mrCancel), TModalResult::mrCancel);
  EXPECT_EQ(Value(u"A"), 1);
}

TEST_F(CommonSettingsTest, DeviceTestRunsEnabledAndLeavesTheSettingsAsBefore) {
  auto dialog = ThreePages();
  Page(*dialog, 0).SetText(u"99");
  std::int32_t seenDuringTest = 0;
  probe_->test = [&](WideString&) {
    seenDuringTest = Value(u"A");
    return true;
  };
  dialog->miDeviceTestClick();
  EXPECT_EQ(seenDuringTest, 99) << "the test runs with the values on screen";
  EXPECT_EQ(probe_->steps, (std::vector<std::string>{"enable", "test", "disable"}));
  EXPECT_EQ(Value(u"A"), 1);
  EXPECT_TRUE(rig_.desktop->messages.empty());
  EXPECT_EQ(rig_.desktop->cursor, (std::vector<bool>{true, false}));
  EXPECT_EQ(Page(*dialog, 0).Control(u"edt").Text, u"99") << "what is on screen stays";
}

struct DeviceTestFailure {
  const char* name;
  bool refuse;
  std::int32_t enableCode;
  const char16_t* enableDescription;
  bool raise;
  const char16_t* expectedMessage;
  std::vector<std::string> expectedSteps;
};

class DeviceTestFailureTest : public CommonSettingsTest,
                              public ::testing::WithParamInterface<DeviceTestFailure> {};

TEST_P(DeviceTestFailureTest, ShowsItsTextAndStillDisablesAndRestores) {
  const DeviceTestFailure& c = GetParam();
  probe_->enableCode = c.enableCode;
  probe_->enableDescription = c.enableDescription;
  probe_->test = [&](WideString& description) {
    if (c.raise) throw Exception(u"Порт недоступен для теста");
    description = u"Тест не пройден";
    return false;
  };
  auto dialog = ThreePages();
  Page(*dialog, 1).SetText(u"42");
  Page(*dialog, 2).refuse = c.refuse;
  dialog->miDeviceTestClick();
  EXPECT_EQ(OnlyMessage(), c.expectedMessage);
  EXPECT_EQ(probe_->steps, c.expectedSteps);
  EXPECT_EQ(Value(u"B"), 2) << "values written for the test are undone";
  EXPECT_EQ(rig_.desktop->cursor.back(), false);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, DeviceTestFailureTest,
    ::testing::Values(DeviceTestFailure{"PageRefuses",
                                        true,
                                        0,
                                        u"",
                                        false,
                                        u"Не удалось записать текущие настройки",
                                        {"disable"}},
                      DeviceTestFailure{"EnableFailsWithTheTableText",
                                        false,
                                        1011,
                                        u"",
                                        false,
                                        u"Порт недоступен",
                                        {"enable", "disable"}},
                      DeviceTestFailure{"EnableFailsWithItsOwnText",
                                        false,
                                        1011,
                                        u"COM7 занят",
                                        false,
                                        u"COM7 занят",
                                        {"enable", "disable"}},
                      DeviceTestFailure{"TestAnswersFalse",
                                        false,
                                        0,
                                        u"",
                                        false,
                                        u"Тест не пройден",
                                        {"enable", "test", "disable"}},
                      DeviceTestFailure{"TestRaises",
                                        false,
                                        0,
                                        u"",
                                        true,
                                        u"Порт недоступен для теста",
                                        {"enable", "test", "disable"}}),
    [](const ::testing::TestParamInfo<DeviceTestFailure>& param) { return param.param.name; });

TEST_F(CommonSettingsTest, DeviceTestAfterTheListReplacesAndConsumesTheListsSnapshot) {
  auto dialog = ThreePages();
  rig_.views->listScript = [&](TfrmSettingsList&) {
    probe_->SetSettingValue(u"C", Variant(333));
    return true;
  };
  dialog->miSettingsListClick();
  EXPECT_EQ(Page(*dialog, 2).Control(u"edt").Text, u"333") << "the pages show the list's edits";
  dialog->miDeviceTestClick();
  EXPECT_EQ(Value(u"C"), 333);
  EXPECT_EQ(dialog->FormClose(TModalResult::mrCancel), TModalResult::mrCancel);
  EXPECT_EQ(Value(u"C"), 333) << "the test consumed the snapshot; Cancel has none to restore";
}

TEST_F(CommonSettingsTest, CancelAfterTheListClosedWithOkBringsBackTheValuesFromBefore) {
  auto dialog = ThreePages();
  rig_.views->listScript = [&](TfrmSettingsList&) {
    probe_->SetSettingValue(u"A", Variant(111));
    return true;
  };
  dialog->miSettingsListClick();
  EXPECT_EQ(Value(u"A"), 111);
  EXPECT_EQ(dialog->FormClose(TModalResult::mrCancel), TModalResult::mrCancel);
  EXPECT_EQ(Value(u"A"), 1);
}

TEST_F(CommonSettingsTest, TheListClosedWithCancelOrFailingLeavesTheTableAsBefore) {
  auto dialog = ThreePages();
  rig_.views->listScript = [&](TfrmSettingsList&) {
    probe_->SetSettingValue(u"A", Variant(5));
    return false;
  };
  dialog->miSettingsListClick();
  EXPECT_EQ(Value(u"A"), 1);
  rig_.views->listScript = [&](TfrmSettingsList&) -> bool {
    probe_->SetSettingValue(u"B", Variant(6));
    throw Exception(u"сбой списка");
  };
  dialog->miSettingsListClick();
  EXPECT_EQ(Value(u"B"), 2);
  EXPECT_EQ(OnlyMessage(), u"сбой списка");
}

TEST_F(CommonSettingsTest, DebugLogSubmenuFollowsDebugLogEnabledWhenTheMenuOpens) {
  auto dialog = ThreePages();
  EXPECT_FALSE(dialog->CapOpenDebugLog()) << "hidden at design time";
  probe_->SetSettingValue(u"DebugLogEnabled", Variant(true));
  dialog->mAdditionalyPopup();
  EXPECT_TRUE(dialog->CapOpenDebugLog());
  probe_->SetSettingValue(u"DebugLogEnabled", Variant(false));
  dialog->mAdditionalyPopup();
  EXPECT_FALSE(dialog->CapOpenDebugLog());
}

TEST_F(CommonSettingsTest, CurrentDebugLogIsTodaysTraceFileOrAMessage) {
  auto dialog = ThreePages();
  EXPECT_EQ(dialog->CurrentDebugLogFileName(), u"Debug_2026.03.07.log")
      << "no device folder: no delimiter in front";
  dialog->miOpenCurrentDebugLogClick();
  EXPECT_EQ(OnlyMessage(), u"Отладочный лог не найден!");
  InitAndOpen(*probe_, u"dev1");
  EXPECT_EQ(dialog->CurrentDebugLogFileName(), u"C:\\Devices\\dev1\\Debug_2026.03.07.log");
  rig_.desktop->files.insert(u"C:\\Devices\\dev1\\Debug_2026.03.07.log");
  dialog->miOpenCurrentDebugLogClick();
  ASSERT_EQ(rig_.desktop->opened.size(), 1u);
  EXPECT_EQ(rig_.desktop->opened[0].second, TShowMode::smRestored);
}

TEST_F(CommonSettingsTest, LogFolderPickerStartsInTheDeviceFolderAndOpensTheChoice) {
  auto dialog = ThreePages();
  rig_.desktop->pickAnswer = u"C:\\logs\\Debug_2026.01.01.log";
  dialog->miOpenDebugLogDirectoryClick();
  ASSERT_EQ(rig_.desktop->picks.size(), 1u);
  EXPECT_EQ(rig_.desktop->picks[0].second, u"Файлы log|*.log;");
  ASSERT_EQ(rig_.desktop->opened.size(), 1u);
  EXPECT_EQ(rig_.desktop->opened[0].first, u"C:\\logs\\Debug_2026.01.01.log");
}

TEST_F(CommonSettingsTest, WithoutAdditionalActionsNothingFollowsHelp) {
  auto dialog = ThreePages();
  const std::vector<TMenuItem>& menu = dialog->mAdditionaly();
  ASSERT_FALSE(menu.empty());
  EXPECT_EQ(menu.back().Name, u"miHelp");
  std::vector<WideString> names;
  for (const TMenuItem& item : menu) names.push_back(item.Name);
  EXPECT_EQ(names, (std::vector<WideString>{u"miReset", u"miDeviceTest", u"miSettingsList",
                                            u"miOpenDebugLog", u"N1", u"miHelp"}));
}

TEST_F(CommonSettingsTest, AdditionalActionsFollowASeparatorAndReportFailures) {
  probe_->AddAction(u"act1", u"Первое действие");
  probe_->AddAction(u"act2", u"Второе действие");
  auto dialog = ThreePages();
  const std::vector<TMenuItem>& menu = dialog->mAdditionaly();
  ASSERT_EQ(menu.size(), 9u);
  EXPECT_EQ(menu[6].Caption, u"-");
  EXPECT_EQ(menu[8].Caption, u"Второе действие");
  EXPECT_EQ(menu[8].Tag, 1);
  EXPECT_EQ(menu[8].ImageIndex, 1);
  menu[8].OnClick();
  EXPECT_EQ(probe_->actionsRun, std::vector<WideString>{u"act2"});
  EXPECT_TRUE(rig_.desktop->messages.empty()) << "a zero result shows nothing";
  probe_->actionCode = 1003;
  dialog->miAdditionalActionClick(0);
  EXPECT_EQ(OnlyMessage(), u"действие не выполнено");
  dialog->miAdditionalActionClick(5);
  EXPECT_EQ(probe_->actionsRun.size(), 2u) << "a tag outside the actions runs nothing";
}

TEST_F(CommonSettingsTest, HelpFileBesideTheModuleDecidesTheHelpItem) {
  auto dialog = ThreePages();
  EXPECT_EQ(dialog->HelpFile(), u"C:\\Program Files\\Ovex\\help.chm");
  EXPECT_FALSE(dialog->CapShowHelp());
  rig_.desktop->files.insert(u"C:\\Program Files\\Ovex\\help.chm");
  auto withHelp = ThreePages();
  EXPECT_TRUE(withHelp->CapShowHelp());
  withHelp->miHelpClick();
  EXPECT_EQ(rig_.desktop->helpFiles, std::vector<WideString>{u"C:\\Program Files\\Ovex\\help.chm"});
}

TEST_F(CommonSettingsTest, HelpTextsByID) {
  EXPECT_EQ(TfrmCommonSettings::GetHelpByID(1001), u"Сохранить настройки и закрыть окно");
  EXPECT_EQ(TfrmCommonSettings::GetHelpByID(1002), u"Закрыть окно без сохранения настроек");
  EXPECT_EQ(TfrmCommonSettings::GetHelpByID(1003),
            u"Настройка параметров и подробная информация о драйвере");
  EXPECT_EQ(TfrmCommonSettings::GetHelpByID(1000).substr(0, 25), u"Дополнительные функции: \r");
  EXPECT_EQ(TfrmCommonSettings::GetHelpByID(999), u"");
}

TEST_F(CommonSettingsTest, ContextHelpPopupsByID) {
  auto dialog = ThreePages();
  dialog->SetControlHintByPos([](TScreenPoint& pos) {
    pos = TScreenPoint{300, 400};
    return WideString(u"подсказка элемента");
  });
  dialog->FormHelp(THelpCommand::hcSetPopupPos, (20 << 16) | 0xFFF6);  // x -10, y 20
  EXPECT_EQ(TfrmCommonSettings::PopupPosition(), (TScreenPoint{-10, 20}));
  dialog->FormHelp(THelpCommand::hcContextPopup, 1001);
  dialog->FormHelp(THelpCommand::hcContextPopup, 10000);
  dialog->FormHelp(THelpCommand::hcContextPopup, 5);
  ASSERT_EQ(rig_.desktop->popups.size(), 3u);
  EXPECT_EQ(rig_.desktop->popups[0].Text, u"Сохранить настройки и закрыть окно");
  EXPECT_EQ(rig_.desktop->popups[0].Position, (TScreenPoint{-10, 20}));
  EXPECT_EQ(rig_.desktop->popups[0].BackColor, 0xEEFFFFu);
  EXPECT_EQ(rig_.desktop->popups[1].Text, u"подсказка элемента");
  EXPECT_EQ(rig_.desktop->popups[1].Position, (TScreenPoint{300, 400}));
  EXPECT_TRUE(rig_.desktop->popups[1].Location.empty()) << "no help file, so none is named";
  EXPECT_TRUE(rig_.desktop->popups[2].Location.empty());
  EXPECT_EQ(rig_.desktop->popups[2].StringID, 0);

  rig_.desktop->files.insert(u"C:\\Program Files\\Ovex\\help.chm");
  auto withHelp = ThreePages();
  withHelp->FormHelp(THelpCommand::hcContextPopup, 5);
  EXPECT_EQ(rig_.desktop->popups.back().StringID, 5);
  EXPECT_EQ(rig_.desktop->popups.back().Location,
            u"C:\\Program Files\\Ovex\\help.chm::/popups.txt");
}

TEST_F(CommonSettingsTest, NotifyOwnerReachesEveryPageTheSenderIncluded) {
  auto dialog = ThreePages();
  Page(*dialog, 1).NotifyOwner(u"changed", u"B");
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(Page(*dialog, i).notes,
              (std::vector<std::pair<WideString, WideString>>{{u"changed", u"B"}}));
  }
}

TEST_F(CommonSettingsTest, DialogGrowsToFitAPageAndNeverShrinks) {
  auto dialog = ThreePages();
  EXPECT_EQ(dialog->ClientWidth(), 324);
  EXPECT_EQ(dialog->ClientHeight(), 375);
  auto big = std::make_unique<TProbePage>(dialog.get(), *probe_, rig_.Ports(), u"Большая", u"A");
  big->SetDesign(u"Большая", 400, 300);
  dialog->AddPage(std::move(big));
  EXPECT_EQ(dialog->ClientWidth(), 400 + 2 * TfrmCommonSettings::kTabSheetBorderWidth);
  EXPECT_EQ(dialog->ClientHeight(), 300 + 49 + 53 + 2 * TfrmCommonSettings::kTabSheetBorderWidth);
  EXPECT_EQ(dialog->TabCaptions().back(), u"Информация");
}

TEST_F(CommonSettingsTest, EnableDeviceRefusedByThePageAnswers1020AndKeepsTheSnapshot) {
  auto dialog = ThreePages();
  TProbePage& page = Page(*dialog, 0);
  page.SetText(u"77");
  page.refuse = true;
  EXPECT_EQ(page.EnableDevice(), 1020);
  EXPECT_TRUE(probe_->steps.empty());
  page.refuse = false;
  EXPECT_EQ(page.EnableDevice(), 0);
  EXPECT_EQ(Value(u"A"), 77);
  page.DisableDevice();
  EXPECT_EQ(Value(u"A"), 1);
  EXPECT_EQ(probe_->steps, (std::vector<std::string>{"enable", "disable"}));
  EXPECT_EQ(rig_.desktop->cursor.back(), false);
}

TEST_F(CommonSettingsTest, EnableDeviceWithNamedSettingsSnapshotsOnlyThose) {
  auto dialog = ThreePages();
  TProbePage& page = Page(*dialog, 0);
  page.SetText(u"8");
  const WideString named[] = {u"A"};
  WideString description = u"old";
  EXPECT_EQ(page.EnableDevice(named, description), 0);
  EXPECT_EQ(description, u"");
  probe_->SetSettingValue(u"B", Variant(9));
  page.DisableDevice();
  EXPECT_EQ(Value(u"A"), 1);
  EXPECT_EQ(Value(u"B"), 9) << "a setting outside the snapshot is not restored";
}

// ShowSettingsDialog around the dialog: the host window, OnSettingsChanged and the answer.
// The host with one window of its thread, in front and taking input.
std::shared_ptr<testing::FakeWindowFocus> HostWithOneWindow() {
  auto focus = std::make_shared<testing::FakeWindowFocus>();
  focus->foreground = 0x51;
  focus->enabled[0x51] = true;
  return focus;
}

TEST_F(CommonSettingsTest, ShowSettingsDialogAnswersOkOrCancelAndAlwaysNotifiesTheChange) {
  auto focus = HostWithOneWindow();
  ScopedPlatformPorts scope(PlatformPorts{.windowFocus = focus});
  const TPageClass pages[] = {ProbePageClass(u"Первая", u"A")};
  bool testShown = false;
  rig_.views->dialogScript = [&](TfrmCommonSettings& dialog) {
    testShown = dialog.CapDeviceTest();
    EXPECT_EQ(focus->inputChanges.size(), 1u) << "the host window is off while the dialog is up";
    static_cast<TProbePage&>(*dialog.Pages()[0]).SetText(u"12");
    return TModalResult::mrOk;
  };
  EXPECT_TRUE(probe_->ShowSettingsDialog(pages, false, rig_.Ports()));
  EXPECT_TRUE(testShown);
  EXPECT_EQ(Value(u"A"), 12);
  EXPECT_EQ(probe_->settingsChanged, 1);
  rig_.views->dialogScript = [&](TfrmCommonSettings& dialog) {
    testShown = dialog.CapDeviceTest();
    static_cast<TProbePage&>(*dialog.Pages()[0]).SetText(u"13");
    return TModalResult::mrCancel;
  };
  EXPECT_FALSE(probe_->ShowSettingsDialog(pages, true, rig_.Ports()));
  EXPECT_FALSE(testShown);
  EXPECT_EQ(Value(u"A"), 12);
  EXPECT_EQ(probe_->settingsChanged, 2);
  const std::vector<std::pair<std::uintptr_t, bool>> expected{
      {0x51, false}, {0x51, true}, {0x51, false}, {0x51, true}};
  EXPECT_EQ(focus->inputChanges, expected);
}

TEST_F(CommonSettingsTest, ShowSettingsDialogGivesTheHostWindowBackWhenTheDialogFails) {
  auto focus = HostWithOneWindow();
  ScopedPlatformPorts scope(PlatformPorts{.windowFocus = focus});
  const TPageClass pages[] = {ProbePageClass(u"Первая", u"A")};
  rig_.views->dialogScript = [](TfrmCommonSettings&) -> TModalResult {
    throw Exception(u"окно не создано");
  };
  EXPECT_THROW(probe_->ShowSettingsDialog(pages, false, rig_.Ports()), Exception);
  const std::vector<std::pair<std::uintptr_t, bool>> expected{{0x51, false}, {0x51, true}};
  EXPECT_EQ(focus->inputChanges, expected);
}

}  // namespace
}  // namespace equ
