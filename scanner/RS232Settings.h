#pragma once

#include <vector>

#include "equipment/common/BaseSettingsDeviceFrm.h"

namespace equ {

// The page "Сканер RS232": the COM port, its speed and how the end of a barcode is found.
class TfrmRS232Settings : public TfrmBaseSettings {
 public:
  static constexpr const char16_t* kPortRange = u"Номер порта должен быть числом от 1 до 255";

  TfrmRS232Settings(TfrmCommonSettings* owner, TBaseDevice& deviceManager,
                    const TSettingsDialogPorts& ports);
  void OnReadSettings() override;
  // Refuses a port number outside 1..255, which the one-byte port setting cannot carry.
  void OnSaveSettings(bool& allowColse) override;
  void OnSaveSettings() override;

  static std::vector<WideString> BaudRateItems();
  static std::vector<WideString> IntervalItems();
  // The interval list's item for a stored interval in milliseconds, and back.
  static int IntervalToIndex(std::int32_t milliseconds);
  static std::int32_t IndexToInterval(int index);
};

}  // namespace equ
