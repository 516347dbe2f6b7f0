#pragma once

#include <cstdint>
#include <vector>

#include "Variant.h"
#include "WideString.h"

namespace equ {

// The value type editors and the host use for a setting; stored values are not forced to it.
enum class TDataType : std::uint8_t {
  dtNumber = 0,
  dtString = 1,
  dtDateTime = 2,
  dtBoolean = 3,
};

// One row of a driver object's settings table.
struct TSettingStruct {
  WideString ID;  // compared ASCII case-insensitively
  Variant Value;
  TDataType ValueType = TDataType::dtString;
  Variant Default;
  bool ReadOnly = false;
  WideString Name;         // short caption
  WideString Description;  // help text
};

using PSettingStruct = TSettingStruct*;
using TSettingArray = std::vector<TSettingStruct>;

// "Number", "String", "Date" or "Boolean"; empty for any other value.
WideString DataTypeName(TDataType valueType);

// A typed value from an edited text: a number in the user's format (0 when it is none), the
// text itself, a date-time in the user's format (the text itself when it is none), or a
// Boolean that is true exactly for "True" in any ASCII case.
Variant StrToSettingValue(TDataType valueType, const WideString& text);

}  // namespace equ
