#include "SettingsList.h"

#include <exception>

#include "BaseDevice.h"
#include "SettingTypes.h"

namespace equ {

WideString SettingValueText(const Variant& value) {
  try {
    return value.ToString();
  } catch (const std::exception&) {
    return WideString();
  }
}

TfrmSettingsList::TfrmSettingsList(TBaseDevice& deviceManager) : FDeviceManager(deviceManager) {}

std::int32_t TfrmSettingsList::RowCount() const {
  return FDeviceManager.SettingsCount();
}

TSettingsListRow TfrmSettingsList::lvSettingsData(std::int32_t row) const {
  const PSettingStruct setting = FDeviceManager.GetSetting(row);
  if (setting == nullptr) return {};
  return {setting->Name, SettingValueText(setting->Value), SettingValueText(setting->Default)};
}

void TfrmSettingsList::RowsChanged(std::int32_t row) const {
  if (FOnRowsChanged) FOnRowsChanged(row);
}

void TfrmSettingsList::lvSettingsChange(std::int32_t row) {
  EndEdit(false);
  FSelected = row;
  if (const PSettingStruct setting = FDeviceManager.GetSetting(row)) {
    FStatus = setting->Description;
  }
}

void TfrmSettingsList::lvSettingsKeyDown(TListKey key) {
  if (key == TListKey::lkEnter || key == TListKey::lkF2) BeginEdit();
  if (key == TListKey::lkEscape) EndEdit(false);
}

void TfrmSettingsList::edEditKeyDown(TListKey key) {
  if (key == TListKey::lkEnter) {
    if (FEditorShown) {
      EndEdit(false);
    } else {
      BeginEdit();
    }
  }
  if (key == TListKey::lkEscape && FEditorShown) EndEdit(true);
}

void TfrmSettingsList::BeginEdit() {
  if (FEditorShown || FSelected < 0) return;
  const PSettingStruct setting = FDeviceManager.GetSetting(FSelected);
  if (setting == nullptr) return;
  if (setting->ValueType == TDataType::dtBoolean) {
    FEditor = TInlineEditor::ieCombo;
    bool isTrue = false;
    try {
      isTrue = setting->Value.ToBool();
    } catch (const std::exception&) {
      isTrue = false;
    }
    FComboIndex = isTrue ? 1 : 0;
  } else {
    FEditor = TInlineEditor::ieEdit;
    FEditText = SettingValueText(setting->Value);
  }
  FEditorShown = true;
  if (FOnEditorChanged) FOnEditorChanged();
}

void TfrmSettingsList::EndEdit(bool cancel) {
  if (!FEditorShown) return;
  FEditorShown = false;
  const PSettingStruct setting = FDeviceManager.GetSetting(FSelected);
  if (!cancel && setting != nullptr) {
    if (FEditor == TInlineEditor::ieCombo) {
      setting->Value = Variant(FComboIndex == 1);
    } else {
      setting->Value = StrToSettingValue(setting->ValueType, FEditText);
    }
    RowsChanged(FSelected);
  }
  if (FOnEditorChanged) FOnEditorChanged();
}

void TfrmSettingsList::miDefaultClick() {
  const PSettingStruct setting = FDeviceManager.GetSetting(FSelected);
  if (setting == nullptr) return;
  setting->Value = setting->Default;
  RowsChanged(FSelected);
}

void TfrmSettingsList::btnDefaultClick() {
  FDeviceManager.SetAllSettingsDefault();
  RowsChanged(-1);
}

TCellRect TfrmSettingsList::EditorBounds(const TCellRect& rowBounds, int nameColumnWidth,
                                         int valueColumnWidth) {
  return TCellRect{nameColumnWidth + rowBounds.Left + 3, rowBounds.Top, valueColumnWidth,
                   rowBounds.Height + 7};
}

}  // namespace equ
