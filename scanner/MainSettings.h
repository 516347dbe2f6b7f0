#pragma once

#include "equipment/common/BaseSettingsDeviceFrm.h"

namespace equ {

// The page "Основные настройки": which channel the scanner is read through.
class TfrmMainSettings : public TfrmBaseSettings {
 public:
  TfrmMainSettings(TfrmCommonSettings* owner, TBaseDevice& deviceManager,
                   const TSettingsDialogPorts& ports);
  void OnReadSettings() override;
  void OnSaveSettings() override;
  using TfrmBaseSettings::OnSaveSettings;
};

}  // namespace equ
