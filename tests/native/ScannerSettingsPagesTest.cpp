#include <gtest/gtest.h>

#include "DeviceFixture.h"
#include "SettingsFakes.h"
#include "equipment/common/Exceptions.h"
#include "platform/PlatformPorts.h"
#include "scanner/Driver.h"
#include "scanner/KbdSettings.h"
#include "scanner/MainSettings.h"
#include "scanner/RS232Settings.h"

namespace equ {
namespace {

using testing::SettingsPortsRig;

// The scanner driver whose settings dialog runs with scripted windows.
class TScriptedDialogDriver : public TDriver {
 public:
  TScriptedDialogDriver() : TDriver(DriverPortsOf(Platform())) {}
  TSettingsDialogPorts ports;
  const TSettingsDialogPorts& DialogPorts() override { return ports; }
};

class ScannerPagesTest : public testing::DeviceFixture {
 protected:
  ScannerPagesTest() {
    driver_ = MakeObject<TScriptedDialogDriver>();
    driver_->ports = rig_.Ports();
  }

  template <class TPage>
  std::unique_ptr<TPage> Page() {
    auto page = std::make_unique<TPage>(nullptr, *driver_, rig_.Ports());
    page->Create();
    return page;
  }
  void Set(const char16_t* id, const Variant& value) { driver_->SetSettingValue(id, value); }
  Variant Get(const char16_t* id) const { return driver_->GetSettingValue(id); }
  // Saves a page as the dialog does on OK; answers whether it accepted.
  static bool Save(TfrmBaseSettings& page) {
    bool allowColse = true;
    page.OnSaveSettings(allowColse);
    if (allowColse) page.OnSaveSettings();
    return allowColse;
  }
  bool CallShowSettingsDlg(Variant* outData) {
    SafeArray params = SafeArray::Vector({Variant(), Variant(), Variant(0)});
    std::int32_t id = -1;
    EXPECT_EQ(driver_->GetIDsOfNames(u"ShowSettingsDlg", id), hresult::kOk);
    Variant result;
    EXPECT_EQ(driver_->Invoke(id, kDispatchMethod, params, result, nullptr), hresult::kOk);
    *outData = params.At(1);
    return result.ToBool();
  }

  SettingsPortsRig rig_;
  ObjectPtr<TScriptedDialogDriver> driver_;
};

TEST_F(ScannerPagesTest, MainPageReadsAndSavesTheInterfaceIndex) {
  auto page = Page<TfrmMainSettings>();
  EXPECT_EQ(page->Caption(), u"Основные настройки");
  EXPECT_EQ(page->Control(u"cbbInterfaceType").Items,
            (std::vector<WideString>{u"Сканер RS232 (COM-порт)", u"Клавиатурный сканер"}));
  Set(u"InterfaceType", Variant(1));
  page->OnReadSettings();
  EXPECT_EQ(page->Control(u"cbbInterfaceType").ItemIndex, 1);
  Set(u"InterfaceType", Variant(5));
  page->OnReadSettings();
  EXPECT_EQ(page->Control(u"cbbInterfaceType").ItemIndex, -1);
  ASSERT_TRUE(Save(*page));
  EXPECT_EQ(Get(u"InterfaceType"), Variant(-1));
}

struct IntervalCase {
  std::int32_t stored;
  int index;
  std::int32_t saved;
};

class RS232IntervalTest : public ScannerPagesTest,
                          public ::testing::WithParamInterface<IntervalCase> {};

TEST_P(RS232IntervalTest, IntervalReadsAsItsItemAndSavesBack) {
  auto page = Page<TfrmRS232Settings>();
  Set(u"InterCharIntervalRS232", Variant(GetParam().stored));
  page->OnReadSettings();
  EXPECT_EQ(page->Control(u"cbbInterCharIntervalRS232").ItemIndex, GetParam().index);
  ASSERT_TRUE(Save(*page));
  EXPECT_EQ(Get(u"InterCharIntervalRS232"), Variant(GetParam().saved));
}

INSTANTIATE_TEST_SUITE_P(Intervals, RS232IntervalTest,
                         ::testing::Values(IntervalCase{0, 0, 0}, IntervalCase{40, 1, 40},
                                           IntervalCase{120, 5, 120}, IntervalCase{200, 9, 200},
                                           IntervalCase{50, 1, 40}, IntervalCase{20, 0, 0},
                                           IntervalCase{260, -1, 0}));

TEST_F(ScannerPagesTest, RS232ListsHaveTheirExactItems) {
  EXPECT_EQ(TfrmRS232Settings::BaudRateItems(),
            (std::vector<WideString>{u"2400", u"4800", u"9600", u"19200", u"38400", u"57600",
                                     u"115200"}));
  const std::vector<WideString> intervals = TfrmRS232Settings::IntervalItems();
  ASSERT_EQ(intervals.size(), 10u);
  EXPECT_EQ(intervals[0], u"По символу конца строки");
  EXPECT_EQ(intervals[1], u"Межсимвольный интервал 40 мс.");
  EXPECT_EQ(intervals[9], u"Межсимвольный интервал 200 мс.");
}

TEST_F(ScannerPagesTest, BaudOutsideTheListFallsBackTo9600) {
  auto page = Page<TfrmRS232Settings>();
  Set(u"Baud", Variant(115200));
  page->OnReadSettings();
  EXPECT_EQ(page->Control(u"cbbBaudRate").ItemIndex, 6);
  Set(u"Baud", Variant(1200));
  page->OnReadSettings();
  EXPECT_EQ(page->Control(u"cbbBaudRate").ItemIndex, 2);
  ASSERT_TRUE(Save(*page));
  EXPECT_EQ(Get(u"Baud"), Variant(9600));
}

struct PortCase {
  const char16_t* text;
  bool accepted;
};

class RS232PortTest : public ScannerPagesTest, public ::testing::WithParamInterface<PortCase> {};

TEST_P(RS232PortTest, PortOutsideOneTo255KeepsTheDialogOpenWithTheRange) {
  auto page = Page<TfrmRS232Settings>();
  page->OnReadSettings();
  page->Control(u"edtPortNumber").Text = GetParam().text;
  EXPECT_EQ(Save(*page), GetParam().accepted);
  if (GetParam().accepted) {
    EXPECT_EQ(Get(u"PortNumber"), Variant(StrToInt(GetParam().text)));
    EXPECT_TRUE(rig_.desktop->messages.empty());
  } else {
    EXPECT_EQ(Get(u"PortNumber"), Variant(1));
    ASSERT_EQ(rig_.desktop->messages.size(), 1u);
    EXPECT_EQ(rig_.desktop->messages[0].text, u"Номер порта должен быть числом от 1 до 255");
  }
}

INSTANTIATE_TEST_SUITE_P(Ports, RS232PortTest,
                         ::testing::Values(PortCase{u"1", true}, PortCase{u"255", true},
                                           PortCase{u"7", true}, PortCase{u"0", false},
                                           PortCase{u"256", false}, PortCase{u"", false},
                                           PortCase{u"99999999999", false}));

TEST_F(ScannerPagesTest, CharacterListHas128ItemsWithTheirExactTexts) {
  const std::vector<WideString> items = TfrmKbdSettings::CharacterItems();
  ASSERT_EQ(items.size(), 128u);
  EXPECT_EQ(items[0], u"Нет");
  EXPECT_EQ(items[1], u"000 NOP");
  EXPECT_EQ(items[3], u"002 STX");
  EXPECT_EQ(items[8], u"007  BEL");
  EXPECT_EQ(items[9], u"008  BS");
  EXPECT_EQ(items[10], u"009 TAB");
  EXPECT_EQ(items[11], u"010  LF");
  EXPECT_EQ(items[14], u"013 CR");
  EXPECT_EQ(items[33], u"032 SP");
  EXPECT_EQ(items[34], u"033 !");
  EXPECT_EQ(items[66], u"065 A");
  EXPECT_EQ(items[127], u"126 ~");
}

struct AffixCase {
  const char16_t* stored;
  int index;
  const char16_t* saved;
};

class KbdAffixTest : public ScannerPagesTest, public ::testing::WithParamInterface<AffixCase> {};

TEST_P(KbdAffixTest, PrefixAndPostfixReadAsTheirItemAndSaveBack) {
  auto page = Page<TfrmKbdSettings>();
  Set(u"PrefixKbd", Variant(GetParam().stored));
  Set(u"PostfixKbd", Variant(GetParam().stored));
  page->OnReadSettings();
  EXPECT_EQ(page->Control(u"cbbPrefixKbd").ItemIndex, GetParam().index);
  EXPECT_EQ(page->Control(u"cbbPostfixKbd").ItemIndex, GetParam().index);
  ASSERT_TRUE(Save(*page));
  EXPECT_EQ(Get(u"PrefixKbd"), Variant(GetParam().saved));
  EXPECT_EQ(Get(u"PostfixKbd"), Variant(GetParam().saved));
}

INSTANTIATE_TEST_SUITE_P(
    Affixes, KbdAffixTest,
    ::testing::Values(AffixCase{u"#2", 3, u"#2"}, AffixCase{u"", 0, u""},
                      AffixCase{u"#13", 14, u"#13"}, AffixCase{u"13", 14, u"#13"},
                      AffixCase{u"#126", 127, u"#126"},
                      // Codes the list cannot show: no selection, and the stored value stays.
                      AffixCase{u"#127", -1, u"#127"}, AffixCase{u"#200", -1, u"#200"}));

TEST_F(ScannerPagesTest, AChosenCharacterReplacesOneTheListCouldNotShow) {
  auto page = Page<TfrmKbdSettings>();
  Set(u"PrefixKbd", Variant(u"#200"));
  page->OnReadSettings();
  page->Control(u"cbbPrefixKbd").ItemIndex = 3;
  ASSERT_TRUE(Save(*page));
  EXPECT_EQ(Get(u"PrefixKbd"), Variant(u"#2"));
}

TEST_F(ScannerPagesTest, APrefixThatIsNoNumberFailsTheReading) {
  auto page = Page<TfrmKbdSettings>();
  Set(u"PrefixKbd", Variant(u"#A"));
  EXPECT_THROW(page->OnReadSettings(), Exception);
}

struct LayoutCase {
  std::int32_t stored;
  int index;
  std::uint16_t saved;
};

class KbdLayoutTest : public ScannerPagesTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(KbdLayoutTest, LayoutIsEnglishFor1033AndRussianOtherwise) {
  auto page = Page<TfrmKbdSettings>();
  Set(u"KeyboardLayout", Variant(GetParam().stored));
  page->OnReadSettings();
  EXPECT_EQ(page->Control(u"cbbKeyboardLayout").ItemIndex, GetParam().index);
  ASSERT_TRUE(Save(*page));
  const Variant saved = Get(u"KeyboardLayout");
  EXPECT_EQ(saved.Type(), VarType::UI2);
  EXPECT_EQ(saved.ToInt32(), GetParam().saved);
}

INSTANTIATE_TEST_SUITE_P(Layouts, KbdLayoutTest,
                         ::testing::Values(LayoutCase{1033, 0, 1033}, LayoutCase{1049, 1, 1049},
                                           LayoutCase{0, 1, 1049}, LayoutCase{1058, 1, 1049}));

TEST_F(ScannerPagesTest, KeyboardPageMovesIntervalAndFlags) {
  auto page = Page<TfrmKbdSettings>();
  Set(u"UpperCaseData", Variant(true));
  Set(u"DeleteCRLFPostfix", Variant(false));
  page->OnReadSettings();
  EXPECT_TRUE(page->Control(u"chkUpperCaseData").Checked);
  EXPECT_FALSE(page->Control(u"chkDeleteCRLFPostfix").Checked);
  EXPECT_EQ(page->Control(u"edtInterCharIntervalKbd").Text, u"60");
  page->Control(u"edtInterCharIntervalKbd").Text = u"abc";
  page->Control(u"chkDeleteCRLFPostfix").Checked = true;
  ASSERT_TRUE(Save(*page));
  EXPECT_EQ(Get(u"InterCharIntervalKbd"), Variant(u"abc")) << "stored as text, unchecked";
  EXPECT_EQ(Get(u"UpperCaseData"), Variant(true));
  EXPECT_EQ(Get(u"DeleteCRLFPostfix"), Variant(true));
}

TEST_F(ScannerPagesTest, ShowSettingsDlgOkOnAnUntouchedDialogWritesEveryPage) {
  std::vector<WideString> tabs;
  driver_->ports.views = rig_.views;
  rig_.views->dialogScript = [&](TfrmCommonSettings& dialog) {
    tabs = dialog.TabCaptions();
    return TModalResult::mrOk;
  };
  Variant out;
  EXPECT_TRUE(CallShowSettingsDlg(&out));
  EXPECT_EQ(tabs, (std::vector<WideString>{u"Основные настройки", u"Сканер RS232",
                                           u"Сканер клавиатурный", u"Информация"}));
  EXPECT_EQ(Get(u"InterCharIntervalKbd"), Variant(u"60")) << "the interval became text";
  EXPECT_EQ(Get(u"KeyboardLayout").Type(), VarType::UI2);
}

TEST_F(ScannerPagesTest, ShowSettingsDlgChangedBaudWithOkOrCancel) {
  rig_.views->dialogScript = [](TfrmCommonSettings& dialog) {
    dialog.Pages()[1]->Control(u"cbbBaudRate").ItemIndex = 6;
    return TModalResult::mrOk;
  };
  Variant out;
  EXPECT_TRUE(CallShowSettingsDlg(&out));
  EXPECT_EQ(Get(u"Baud"), Variant(115200));
  rig_.views->dialogScript = [](TfrmCommonSettings& dialog) {
    dialog.Pages()[1]->Control(u"cbbBaudRate").ItemIndex = 0;
    return TModalResult::mrCancel;
  };
  EXPECT_FALSE(CallShowSettingsDlg(&out));
  EXPECT_EQ(
      out, Variant(SafeArray::Vector({Variant(201), Variant(u"Операция отменена пользователем")})));
  EXPECT_EQ(Get(u"Baud"), Variant(115200));
}

TEST_F(ScannerPagesTest, ShowSettingsDlgFailsWithTheReadingsFailureForABadPrefix) {
  Set(u"PrefixKbd", Variant(u"#x"));
  Variant out;
  EXPECT_FALSE(CallShowSettingsDlg(&out));
  EXPECT_EQ(rig_.views->dialogShows, 0) << "the dialog does not open";
  EXPECT_EQ(
      out, Variant(SafeArray::Vector({Variant(1001), Variant(u"\"x\" не является целым числом")})));
}

}  // namespace
}  // namespace equ
