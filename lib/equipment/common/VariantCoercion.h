#pragma once

#include <cstdint>

#include "Variant.h"

namespace equ {

// Automation status codes of a failed conversion (the values of DISP_E_*).
inline constexpr std::int32_t kVarErrorTypeMismatch = static_cast<std::int32_t>(0x80020005);
inline constexpr std::int32_t kVarErrorOverflow = static_cast<std::int32_t>(0x8002000A);
inline constexpr std::int32_t kVarErrorBadIndex = static_cast<std::int32_t>(0x8002000B);

// The name of a type as the conversion errors print it ("String", "Double", ...).
const char16_t* VarTypeName(VarType type);

// The zero value of a simple type (0, "", False, a null interface).
Variant ZeroValueOf(VarType type);

// The automation coercion of a value to a simple type, following VariantChangeType with the
// user's locale: numbers round half to even into integers, Booleans are -1 and 0, strings are
// read and written with the locale's separators. Throws EVariantError (type mismatch or
// overflow) when the value cannot be converted. A by-reference value converts what it refers to.
Variant ChangeVariantType(const Variant& value, VarType target);

}  // namespace equ
