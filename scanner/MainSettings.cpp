#include "MainSettings.h"

#include "SettingsPageLayout.h"
#include "equipment/common/BaseDevice.h"

namespace equ {

TfrmMainSettings::TfrmMainSettings(TfrmCommonSettings* owner, TBaseDevice& deviceManager,
                                   const TSettingsDialogPorts& ports)
    : TfrmBaseSettings(owner, deviceManager, ports) {
  using namespace page_layout;
  SetDesign(u"Основные настройки", kClientWidth, kClientHeight);
  AddControl(Label(u"lblScannerInterface", u"Тип интерфейса:", 0));
  AddControl(
      ComboList(u"cbbInterfaceType", {u"Сканер RS232 (COM-порт)", u"Клавиатурный сканер"}, 0, 0));
}

void TfrmMainSettings::OnReadSettings() {
  TfrmBaseSettings::OnReadSettings();
  const std::int32_t value = DeviceManager().GetSettingValueInt(u"InterfaceType");
  Control(u"cbbInterfaceType").ItemIndex = value == 0 || value == 1 ? value : -1;
}

void TfrmMainSettings::OnSaveSettings() {
  TfrmBaseSettings::OnSaveSettings();
  DeviceManager().SetSettingValue(u"InterfaceType",
                                  Variant(std::int32_t{Control(u"cbbInterfaceType").ItemIndex}));
}

}  // namespace equ
