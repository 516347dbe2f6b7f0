// One snapshot of setting values (so Cancel and the device test leave no trace), indexed
// access to the settings table and the device's additional actions.
#include "BaseDevice.h"

namespace equ {

void TBaseDevice::StoreSettings() {
  FBufSettings.clear();
  for (const TSettingStruct& row : SettingList()) FBufSettings.push_back({row.ID, row.Value});
}

void TBaseDevice::StoreSettings(std::span<const WideString> settings) {
  FBufSettings.clear();
  for (const WideString& id : settings) {
    const TSettingStruct* row = FindSetting(id);
    FBufSettings.push_back({id, row != nullptr ? row->Value : Variant()});
  }
}

void TBaseDevice::RestoreSettings() {
  for (const TShortSettingStruct& saved : FBufSettings) {
    if (TSettingStruct* row = FindSetting(saved.ID)) row->Value = saved.Value;
  }
  FBufSettings.clear();
}

PSettingStruct TBaseDevice::GetSetting(std::int32_t index) {
  if (index < 0 || index >= SettingsCount()) return nullptr;
  return &SettingRows()[static_cast<std::size_t>(index)];
}

// Declared beside GetSetting for symmetry; nothing calls it, and it changes nothing.
void TBaseDevice::SetSetting(std::int32_t, PSettingStruct) {}

PAdditionalAction TBaseDevice::GetAddAction(std::int32_t index) {
  if (index < 0 || index >= AddActionsCount()) return nullptr;
  return &FAdditionalActions[static_cast<std::size_t>(index)];
}

std::int32_t TBaseDevice::RunAdditionalAction(const WideString&, WideString&) {
  return 0;
}

}  // namespace equ
