// The settings table of the driver object.
#include "BaseObject.h"

#include <utility>

namespace equ {

const TSettingStruct* TBaseObject::FindSetting(std::u16string_view id) const {
  for (const TSettingStruct& row : FSettingList) {
    if (SameTextAscii(row.ID, id)) return &row;
  }
  return nullptr;
}

TSettingStruct* TBaseObject::FindSetting(std::u16string_view id) {
  return const_cast<TSettingStruct*>(std::as_const(*this).FindSetting(id));
}

void TBaseObject::RegisterSetting(std::u16string_view id, TDataType valueType,
                                  const Variant& defaultValue, bool readOnly,
                                  std::u16string_view name, std::u16string_view description) {
  if (TSettingStruct* row = FindSetting(id)) {
    row->Value = defaultValue;
    row->Default = defaultValue;
    row->ReadOnly = readOnly;
    row->Description = WideString(description);
    return;
  }
  FSettingList.push_back(TSettingStruct{WideString(id), defaultValue, valueType, defaultValue,
                                        readOnly, WideString(name), WideString(description)});
}

Variant TBaseObject::GetSettingValue(std::u16string_view id, bool defaultValue) const {
  const TSettingStruct* row = FindSetting(id);
  if (row == nullptr) return Variant();
  return defaultValue ? row->Default : row->Value;
}

bool TBaseObject::GetSettingValueBool(std::u16string_view id) const {
  return GetSettingValue(id).ToBool();
}

std::int32_t TBaseObject::GetSettingValueInt(std::u16string_view id) const {
  return GetSettingValue(id).ToInt32();
}

Currency TBaseObject::GetSettingValueCurr(std::u16string_view id) const {
  return GetSettingValue(id).ToCurrency();
}

double TBaseObject::GetSettingValueDbl(std::u16string_view id) const {
  return GetSettingValue(id).ToDouble();
}

Date TBaseObject::GetSettingValueDate(std::u16string_view id) const {
  return GetSettingValue(id).ToDate();
}

WideString TBaseObject::GetSettingValueStr(std::u16string_view id) const {
  return GetSettingValue(id).ToString();
}

bool TBaseObject::GetSettingReadOnly(std::u16string_view id) const {
  const TSettingStruct* row = FindSetting(id);
  return row != nullptr && row->ReadOnly;
}

void TBaseObject::SetSettingValue(std::u16string_view id, const Variant& value) {
  if (TSettingStruct* row = FindSetting(id)) row->Value = value;
}

void TBaseObject::SetAllSettingsDefault() {
  for (TSettingStruct& row : FSettingList) row.Value = row.Default;
}

}  // namespace equ
