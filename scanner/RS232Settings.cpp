#include "RS232Settings.h"

#include <exception>

#include "SettingsPageLayout.h"
#include "equipment/common/BaseDevice.h"
#include "equipment/common/CommonSettings.h"

namespace equ {

namespace {

constexpr int kDefaultBaudIndex = 2;
constexpr std::int32_t kMinPort = 1;
constexpr std::int32_t kMaxPort = 255;

bool SameTextIgnoringCase(const WideString& a, const WideString& b) {
  return SameTextAscii(a, b);
}

}  // namespace

std::vector<WideString> TfrmRS232Settings::BaudRateItems() {
  return {u"2400", u"4800", u"9600", u"19200", u"38400", u"57600", u"115200"};
}

std::vector<WideString> TfrmRS232Settings::IntervalItems() {
  std::vector<WideString> items{u"По символу конца строки"};
  for (int ms = 40; ms <= 200; ms += 20) {
    items.push_back(u"Межсимвольный интервал " + IntToWide(ms) + u" мс.");
  }
  return items;
}

int TfrmRS232Settings::IntervalToIndex(std::int32_t milliseconds) {
  if (milliseconds == 0) return 0;
  return (milliseconds - 40) / 20 + 1;
}

std::int32_t TfrmRS232Settings::IndexToInterval(int index) {
  return index != 0 ? index * 20 + 20 : 0;
}

TfrmRS232Settings::TfrmRS232Settings(TfrmCommonSettings* owner, TBaseDevice& deviceManager,
                                     const TSettingsDialogPorts& ports)
    : TfrmBaseSettings(owner, deviceManager, ports) {
  using namespace page_layout;
  SetDesign(u"Сканер RS232", kClientWidth, kClientHeight);
  AddControl(Label(u"lblPortNumber", u"Номер порта:", 0));
  AddControl(Edit(u"edtPortNumber", TControlKind::ckDigitsEdit, 0, u"1"));
  AddControl(Label(u"lblBaudRate", u"Скорсть:", 1));
  AddControl(ComboList(u"cbbBaudRate", BaudRateItems(), 1, kDefaultBaudIndex));
  AddControl(Label(u"lblInterCharIntervalRS232", u"Определение окончания штрихкода:", 2, true));
  AddControl(ComboList(u"cbbInterCharIntervalRS232", IntervalItems(), 2, 0));
}

void TfrmRS232Settings::OnReadSettings() {
  TfrmBaseSettings::OnReadSettings();
  TBaseDevice& device = DeviceManager();
  Control(u"edtPortNumber").Text = IntToWide(device.GetSettingValueInt(u"PortNumber"));

  TPageControl& baud = Control(u"cbbBaudRate");
  baud.ItemIndex = kDefaultBaudIndex;
  const WideString baudText = device.GetSettingValueStr(u"Baud");
  for (std::size_t i = 0; i < baud.Items.size(); ++i) {
    if (SameTextIgnoringCase(baud.Items[i], baudText)) {
      baud.ItemIndex = static_cast<int>(i);
      break;
    }
  }

  TPageControl& interval = Control(u"cbbInterCharIntervalRS232");
  const int index = IntervalToIndex(device.GetSettingValueInt(u"InterCharIntervalRS232"));
  interval.ItemIndex = index >= 0 && index < static_cast<int>(interval.Items.size()) ? index : -1;
}

void TfrmRS232Settings::OnSaveSettings(bool& allowColse) {
  TfrmBaseSettings::OnSaveSettings(allowColse);
  std::int32_t port = 0;
  try {
    port = StrToInt(Control(u"edtPortNumber").Text);
  } catch (const std::exception&) {
    port = 0;
  }
  if (port >= kMinPort && port <= kMaxPort) return;
  allowColse = false;
  if (Ports().desktop) {
    Ports().desktop->ShowMessage(kPortRange, TfrmCommonSettings::kErrorCaption,
                                 TMessageIcon::miError);
  }
}

void TfrmRS232Settings::OnSaveSettings() {
  TfrmBaseSettings::OnSaveSettings();
  TBaseDevice& device = DeviceManager();
  device.SetSettingValue(u"PortNumber", Variant(StrToInt(Control(u"edtPortNumber").Text)));
  const TPageControl& baud = Control(u"cbbBaudRate");
  const WideString baudText =
      baud.ItemIndex >= 0 && baud.ItemIndex < static_cast<int>(baud.Items.size())
          ? baud.Items[static_cast<std::size_t>(baud.ItemIndex)]
          : WideString();
  device.SetSettingValue(u"Baud", Variant(StrToInt(baudText)));
  device.SetSettingValue(u"InterCharIntervalRS232",
                         Variant(IndexToInterval(Control(u"cbbInterCharIntervalRS232").ItemIndex)));
}

}  // namespace equ
