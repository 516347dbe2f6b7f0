#include "SettingTypes.h"

#include "NumberText.h"
#include "platform/PlatformPorts.h"
#include "platform/UserLocale.h"

namespace equ {

WideString DataTypeName(TDataType valueType) {
  switch (valueType) {
    case TDataType::dtNumber:
      return u"Number";
    case TDataType::dtString:
      return u"String";
    case TDataType::dtDateTime:
      return u"Date";
    case TDataType::dtBoolean:
      return u"Boolean";
  }
  return WideString();
}

Variant StrToSettingValue(TDataType valueType, const WideString& text) {
  const UserLocale& locale = *Platform().locale;
  switch (valueType) {
    case TDataType::dtNumber:
      return Variant(
          ParseAutomationNumber(text, locale.DecimalSeparator(), locale.ThousandSeparator())
              .value_or(0.0));
    case TDataType::dtDateTime:
      if (const auto date = locale.TextToDateTime(text)) return Variant(*date);
      return Variant(text);
    case TDataType::dtBoolean:
      return Variant(SameTextAscii(text, u"True"));
    case TDataType::dtString:
      break;
  }
  return Variant(text);
}

}  // namespace equ
