#pragma once

#include <vector>

#include "equipment/common/BaseSettingsDeviceFrm.h"

namespace equ {

// The page "Сканер клавиатурный": prefix and postfix characters, the interval between key
// presses, the keyboard layout and the two conversions of the data.
class TfrmKbdSettings : public TfrmBaseSettings {
 public:
  TfrmKbdSettings(TfrmCommonSettings* owner, TBaseDevice& deviceManager,
                  const TSettingsDialogPorts& ports);
  void OnReadSettings() override;
  void OnSaveSettings() override;
  using TfrmBaseSettings::OnSaveSettings;

  // "Нет", then one item per character code 0..126: "013 CR", "065 A".
  static std::vector<WideString> CharacterItems();
  // The list item of a stored prefix or postfix ("#13", "13" or empty); raises when what
  // remains without the "#" characters is not a decimal integer. -1 when the list has no item
  // for the code.
  static int CharacterIndex(const WideString& stored);
  // The stored form of a list item: "#13", or empty for "Нет".
  static WideString CharacterSetting(int index);
};

}  // namespace equ
