#include "KbdSettings.h"

#include <array>

#include "SettingsPageLayout.h"
#include "equipment/common/BaseDevice.h"

namespace equ {

namespace {

constexpr std::uint16_t kEnglishUs = 1033;
constexpr std::uint16_t kRussian = 1049;

constexpr std::array<const char16_t*, 33> kControlNames = {
    u"NOP", u"SOH", u"STX", u"ETX", u"EOT", u"ENQ", u"ACK", u"BEL", u"BS",  u"TAB", u"LF",
    u"VT",  u"FF",  u"CR",  u"SO",  u"SI",  u"DLE", u"DC1", u"DC2", u"DC3", u"DC4", u"NAK",
    u"SYN", u"ETB", u"CAN", u"EM",  u"SUB", u"ESC", u"FS",  u"GS",  u"RS",  u"US",  u"SP"};

WideString ThreeDigits(int code) {
  WideString text = IntToWide(code);
  while (text.size() < 3) text.insert(text.begin(), u'0');
  return text;
}

// Items of the prefix and postfix lists that the list's design spells with two blanks.
bool HasTwoBlanks(int code) {
  return code == 7 || code == 8 || code == 10;
}

void ReadCharacterList(TPageControl& list, const WideString& stored) {
  list.ItemIndex = TfrmKbdSettings::CharacterIndex(stored);
}

// A stored code the list cannot show stays as it is: only a chosen item is written.
void SaveCharacterList(TBaseDevice& device, const char16_t* id, const TPageControl& list) {
  if (list.ItemIndex < 0 || list.ItemIndex >= static_cast<int>(list.Items.size())) return;
  device.SetSettingValue(id, Variant(TfrmKbdSettings::CharacterSetting(list.ItemIndex)));
}

}  // namespace

std::vector<WideString> TfrmKbdSettings::CharacterItems() {
  std::vector<WideString> items{u"Нет"};
  for (int code = 0; code <= 126; ++code) {
    const WideString name = code < static_cast<int>(kControlNames.size())
                                ? WideString(kControlNames[static_cast<std::size_t>(code)])
                                : WideString(1, static_cast<char16_t>(code));
    items.push_back(ThreeDigits(code) + (HasTwoBlanks(code) ? u"  " : u" ") + name);
  }
  return items;
}

int TfrmKbdSettings::CharacterIndex(const WideString& stored) {
  WideString digits;
  for (char16_t c : stored) {
    if (c != u'#') digits += c;
  }
  if (digits.empty()) return 0;
  const std::int64_t index = std::int64_t{StrToInt(digits)} + 1;
  return index >= 1 && index <= 127 ? static_cast<int>(index) : -1;
}

WideString TfrmKbdSettings::CharacterSetting(int index) {
  return index != 0 ? u"#" + IntToWide(index - 1) : WideString();
}

TfrmKbdSettings::TfrmKbdSettings(TfrmCommonSettings* owner, TBaseDevice& deviceManager,
                                 const TSettingsDialogPorts& ports)
    : TfrmBaseSettings(owner, deviceManager, ports) {
  using namespace page_layout;
  SetDesign(u"Сканер клавиатурный", kClientWidth, kClientHeight);
  AddControl(Label(u"lblPrefixKbd", u"Префикс:", 0));
  AddControl(ComboList(u"cbbPrefixKbd", CharacterItems(), 0, 0));
  AddControl(Label(u"lblPostfixKbd", u"Постфикс:", 1));
  AddControl(ComboList(u"cbbPostfixKbd", CharacterItems(), 1, 0));
  AddControl(Label(u"lblInterCharIntervalKbd", u"Межсимвольный интервыал:", 2, true));
  AddControl(Edit(u"edtInterCharIntervalKbd", TControlKind::ckEdit, 2, u"60"));
  AddControl(Label(u"lblKeyboardLayout", u"Язык (локаль):", 3));
  AddControl(ComboList(u"cbbKeyboardLayout", {u"Английский (США)", u"Русский (Россия)"}, 3, 0));
  AddControl(CheckBox(u"chkUpperCaseData", u"Преобразовывать символы в верхний регистр", 4));
  AddControl(CheckBox(u"chkDeleteCRLFPostfix", u"Удалять сиволы переноса строки в конце", 5));
}

void TfrmKbdSettings::OnReadSettings() {
  TfrmBaseSettings::OnReadSettings();
  TBaseDevice& device = DeviceManager();
  ReadCharacterList(Control(u"cbbPrefixKbd"), device.GetSettingValueStr(u"PrefixKbd"));
  ReadCharacterList(Control(u"cbbPostfixKbd"), device.GetSettingValueStr(u"PostfixKbd"));
  Control(u"edtInterCharIntervalKbd").Text = device.GetSettingValueStr(u"InterCharIntervalKbd");
  Control(u"cbbKeyboardLayout").ItemIndex =
      device.GetSettingValueInt(u"KeyboardLayout") == kEnglishUs ? 0 : 1;
  Control(u"chkUpperCaseData").Checked = device.GetSettingValueBool(u"UpperCaseData");
  Control(u"chkDeleteCRLFPostfix").Checked = device.GetSettingValueBool(u"DeleteCRLFPostfix");
}

void TfrmKbdSettings::OnSaveSettings() {
  TfrmBaseSettings::OnSaveSettings();
  TBaseDevice& device = DeviceManager();
  SaveCharacterList(device, u"PrefixKbd", Control(u"cbbPrefixKbd"));
  SaveCharacterList(device, u"PostfixKbd", Control(u"cbbPostfixKbd"));
  device.SetSettingValue(u"InterCharIntervalKbd",
                         Variant(Control(u"edtInterCharIntervalKbd").Text));
  const std::uint16_t layout = Control(u"cbbKeyboardLayout").ItemIndex == 0 ? kEnglishUs : kRussian;
  device.SetSettingValue(u"KeyboardLayout", Variant::UInt(VarType::UI2, layout));
  device.SetSettingValue(u"UpperCaseData", Variant(Control(u"chkUpperCaseData").Checked));
  device.SetSettingValue(u"DeleteCRLFPostfix", Variant(Control(u"chkDeleteCRLFPostfix").Checked));
}

}  // namespace equ
