#include "VariantCoercion.h"

#include <cfloat>
#include <cmath>

#include "Exceptions.h"
#include "NumberText.h"
#include "SafeArray.h"
#include "platform/PlatformPorts.h"
#include "platform/UserLocale.h"

namespace equ {

namespace {

// An integer from -2^63 to 2^64 - 1, the values of every automation integer type, as a sign
// and a magnitude (no compiler has a 128-bit integer on every target). Zero is never negative.
struct ExactInt {
  bool negative = false;
  std::uint64_t magnitude = 0;

  static ExactInt Of(std::int64_t value) {
    if (value >= 0) return {false, static_cast<std::uint64_t>(value)};
    return {true, 0 - static_cast<std::uint64_t>(value)};
  }
  static ExactInt Unsigned(std::uint64_t value) { return {false, value}; }

  friend bool operator<(ExactInt a, ExactInt b) {
    if (a.negative != b.negative) return a.negative;
    return a.negative ? a.magnitude > b.magnitude : a.magnitude < b.magnitude;
  }
  friend bool operator>(ExactInt a, ExactInt b) { return b < a; }

  double ToDouble() const {
    const double real = static_cast<double>(magnitude);
    return negative ? -real : real;
  }
  // The value's bit pattern as a 64-bit integer: exact for -2^63 .. 2^63 - 1.
  std::int64_t Bits() const {
    return static_cast<std::int64_t>(negative ? 0 - magnitude : magnitude);
  }
};

constexpr double kTwoTo63 = 9223372036854775808.0;
constexpr double kTwoTo64 = 18446744073709551616.0;

// The range of dates automation accepts: 1 January 100 to 31 December 9999.
constexpr double kMinDate = -657434.0;
constexpr double kMaxDate = 2958465.0;

const UserLocale& Locale() {
  return *Platform().locale;
}

[[noreturn]] void ThrowMismatch(VarType from, VarType to) {
  throw EVariantError(kVarErrorTypeMismatch,
                      WideString(u"Не удалось преобразовать значение типа (") + VarTypeName(from) +
                          u") в тип (" + VarTypeName(to) + u")");
}

[[noreturn]] void ThrowOverflow(VarType to) {
  throw EVariantError(
      kVarErrorOverflow,
      WideString(u"Значение вне допустимого диапазона для типа (") + VarTypeName(to) + u")");
}

bool IsIntegerType(VarType t) {
  switch (t) {
    case VarType::I1:
    case VarType::I2:
    case VarType::I4:
    case VarType::I8:
    case VarType::Int:
    case VarType::UI1:
    case VarType::UI2:
    case VarType::UI4:
    case VarType::UI8:
    case VarType::UInt:
      return true;
    default:
      return false;
  }
}

struct IntegerRange {
  ExactInt min;
  ExactInt max;
};

IntegerRange RangeOf(VarType t) {
  switch (t) {
    case VarType::I1:
      return {ExactInt::Of(-128), ExactInt::Of(127)};
    case VarType::UI1:
      return {ExactInt::Of(0), ExactInt::Of(255)};
    case VarType::I2:
      return {ExactInt::Of(-32768), ExactInt::Of(32767)};
    case VarType::UI2:
      return {ExactInt::Of(0), ExactInt::Of(65535)};
    case VarType::I4:
    case VarType::Int:
      return {ExactInt::Of(INT32_MIN), ExactInt::Of(INT32_MAX)};
    case VarType::UI4:
    case VarType::UInt:
      return {ExactInt::Of(0), ExactInt::Of(UINT32_MAX)};
    case VarType::I8:
      return {ExactInt::Of(INT64_MIN), ExactInt::Of(INT64_MAX)};
    default:
      return {ExactInt::Of(0), ExactInt::Unsigned(UINT64_MAX)};
  }
}

// The exact value of an integer-like source (integers, Boolean, Empty).
bool ExactInteger(const Variant& v, ExactInt& out) {
  if (v.IsArray()) return false;
  switch (v.Type()) {
    case VarType::Empty:
      out = ExactInt::Of(0);
      return true;
    case VarType::Bool:
      out = ExactInt::Of(v.RawInt() != 0 ? -1 : 0);
      return true;
    case VarType::UI8:
      out = ExactInt::Unsigned(v.RawUInt());
      return true;
    default:
      if (!IsIntegerType(v.Type())) return false;
      out = ExactInt::Of(v.RawInt());
      return true;
  }
}

// Rounds half to even, as automation does for every conversion to an integer.
std::int64_t RoundCurrencyToInteger(std::int64_t scaled) {
  std::int64_t quotient = scaled / 10000;
  const std::int64_t remainder = scaled % 10000;
  const std::int64_t twice = 2 * (remainder < 0 ? -remainder : remainder);
  if (twice > 10000 || (twice == 10000 && (quotient % 2) != 0)) quotient += remainder < 0 ? -1 : 1;
  return quotient;
}

double ParseNumberText(const WideString& text, VarType target) {
  const UserLocale& locale = Locale();
  const auto parsed =
      ParseAutomationNumber(text, locale.DecimalSeparator(), locale.ThousandSeparator());
  if (!parsed) ThrowMismatch(VarType::String, target);
  return *parsed;
}

// A text that is a whole decimal number, read exactly (a 64-bit integer needs all its digits).
std::optional<WholeNumber> WholeNumberOf(const Variant& v) {
  if (v.IsArray() || v.IsOpaque() || v.Type() != VarType::String) return std::nullopt;
  const UserLocale& locale = Locale();
  return ParseAutomationWholeNumber(v.RawString(), locale.DecimalSeparator(),
                                    locale.ThousandSeparator());
}

// The value of a numeric source as a real number; throws for sources that are no number.
double RealOf(const Variant& v, VarType target) {
  if (v.IsArray() || v.IsOpaque()) ThrowMismatch(v.Type(), target);
  ExactInt exact;
  if (ExactInteger(v, exact)) return exact.ToDouble();
  switch (v.Type()) {
    case VarType::R4:
    case VarType::R8:
    case VarType::Date:
      return v.RawReal();
    case VarType::Currency:
      return static_cast<double>(v.RawInt()) / 10000.0;
    case VarType::Decimal:
      return v.RawDecimal().ToDouble();
    case VarType::String:
      return ParseNumberText(v.RawString(), target);
    default:
      ThrowMismatch(v.Type(), target);
  }
}

Variant ToInteger(const Variant& v, VarType target) {
  const IntegerRange range = RangeOf(target);
  ExactInt value;
  const bool isUnsigned = !range.min.negative && range.min.magnitude == 0;
  if (ExactInteger(v, value)) {
    // A Boolean true stored into an unsigned integer keeps its bit pattern, as automation does.
    if (v.Type() == VarType::Bool && isUnsigned && value.negative) value = range.max;
  } else if (!v.IsArray() && v.Type() == VarType::Currency) {
    value = ExactInt::Of(RoundCurrencyToInteger(v.RawInt()));
  } else if (const auto whole = WholeNumberOf(v)) {
    value = ExactInt{whole->negative, whole->magnitude};
  } else {
    const double real = RealOf(v, target);
    if (!std::isfinite(real)) ThrowOverflow(target);
    const double rounded = std::nearbyint(real);
    if (rounded <= -kTwoTo64 || rounded >= kTwoTo64) ThrowOverflow(target);
    value = rounded < 0 ? ExactInt{true, static_cast<std::uint64_t>(-rounded)}
                        : ExactInt::Unsigned(static_cast<std::uint64_t>(rounded));
    if (value.magnitude == 0) value.negative = false;
  }
  if (value < range.min || value > range.max) ThrowOverflow(target);
  if (target == VarType::UI8) return Variant::UInt(target, value.magnitude);
  return Variant::Int(target, value.Bits());
}

Variant ToReal(const Variant& v, VarType target) {
  const double real = RealOf(v, target);
  if (target == VarType::R4) {
    if (std::isfinite(real) && std::fabs(real) > FLT_MAX) ThrowOverflow(target);
    return Variant::Single(static_cast<float>(real));
  }
  return Variant(real);
}

Variant ToCurrency(const Variant& v) {
  ExactInt exact;
  if (ExactInteger(v, exact)) {
    // Both -2^63 and 2^63 - 1 divided by 10,000 truncate to the same magnitude.
    if (exact.magnitude > static_cast<std::uint64_t>(INT64_MAX) / 10000) {
      ThrowOverflow(VarType::Currency);
    }
    return Variant(Currency{exact.Bits() * 10000});
  }
  if (!v.IsArray() && v.Type() == VarType::Currency) return Variant(Currency{v.RawInt()});
  const double real = RealOf(v, VarType::Currency);
  if (!std::isfinite(real) || std::fabs(real) >= 922337203685477.5808) {
    ThrowOverflow(VarType::Currency);
  }
  const double scaled = std::nearbyint(real * 10000.0);
  if (scaled < -kTwoTo63 || scaled >= kTwoTo63) ThrowOverflow(VarType::Currency);
  return Variant(Currency{static_cast<std::int64_t>(scaled)});
}

Variant ToDate(const Variant& v) {
  if (!v.IsArray() && v.Type() == VarType::String) {
    if (const auto date = Locale().TextToDateTime(v.RawString())) return Variant(*date);
    ThrowMismatch(VarType::String, VarType::Date);
  }
  const double real = RealOf(v, VarType::Date);
  if (!std::isfinite(real) || real <= kMinDate - 1.0 || real >= kMaxDate + 1.0) {
    ThrowOverflow(VarType::Date);
  }
  return Variant(Date{real});
}

Variant ToBool(const Variant& v) {
  if (!v.IsArray() && v.Type() == VarType::String) {
    const WideString& trimmed = v.RawString();
    if (SameTextAscii(trimmed, u"True")) return Variant(true);
    if (SameTextAscii(trimmed, u"False")) return Variant(false);
    return Variant(ParseNumberText(trimmed, VarType::Bool) != 0);
  }
  if (!v.IsArray() && v.Type() == VarType::Currency) return Variant(v.RawInt() != 0);
  return Variant(RealOf(v, VarType::Bool) != 0);
}

Variant ToText(const Variant& v) {
  if (v.IsArray() || v.IsOpaque()) ThrowMismatch(v.Type(), VarType::String);
  const char16_t separator = Locale().DecimalSeparator();
  switch (v.Type()) {
    case VarType::Empty:
      return Variant(WideString());
    case VarType::String:
      return v;
    case VarType::Bool:
      return Variant(WideString(v.RawInt() != 0 ? u"True" : u"False"));
    case VarType::R8:
      return Variant(FormatAutomationReal(v.RawReal(), 15, separator));
    case VarType::R4:
      return Variant(FormatAutomationReal(v.RawReal(), 7, separator));
    case VarType::Currency:
      return Variant(FormatCurrency(v.RawInt(), separator));
    case VarType::Date:
      return Variant(Locale().DateTimeToText(Date{v.RawReal()}));
    case VarType::Decimal: {
      const Decimal& d = v.RawDecimal();
      return Variant(FormatDecimal(d.negative, d.hi32, d.lo64, d.scale, separator));
    }
    case VarType::UI8: {
      const std::string digits = std::to_string(v.RawUInt());
      return Variant(WideString(digits.begin(), digits.end()));
    }
    default:
      if (IsIntegerType(v.Type())) return Variant(IntToWide(v.RawInt()));
      ThrowMismatch(v.Type(), VarType::String);
  }
}

}  // namespace

const char16_t* VarTypeName(VarType type) {
  switch (type) {
    case VarType::Empty:
      return u"Empty";
    case VarType::Null:
      return u"Null";
    case VarType::I2:
      return u"Smallint";
    case VarType::I4:
      return u"Integer";
    case VarType::R4:
      return u"Single";
    case VarType::R8:
      return u"Double";
    case VarType::Currency:
      return u"Currency";
    case VarType::Date:
      return u"Date";
    case VarType::String:
      return u"String";
    case VarType::Dispatch:
      return u"Dispatch";
    case VarType::Error:
      return u"Error";
    case VarType::Bool:
      return u"Boolean";
    case VarType::Variant:
      return u"Variant";
    case VarType::Unknown:
      return u"Unknown";
    case VarType::Decimal:
      return u"Decimal";
    case VarType::I1:
      return u"ShortInt";
    case VarType::UI1:
      return u"Byte";
    case VarType::UI2:
      return u"Word";
    case VarType::UI4:
      return u"LongWord";
    case VarType::I8:
      return u"Int64";
    case VarType::UI8:
      return u"UInt64";
    case VarType::Int:
      return u"Int";
    case VarType::UInt:
      return u"UInt";
  }
  return u"Unknown";
}

Variant ZeroValueOf(VarType type) {
  switch (type) {
    case VarType::R4:
      return Variant::Single(0);
    case VarType::R8:
      return Variant(0.0);
    case VarType::Currency:
      return Variant(Currency{});
    case VarType::Date:
      return Variant(Date{});
    case VarType::String:
      return Variant(WideString());
    case VarType::Bool:
      return Variant(false);
    case VarType::Decimal:
      return Variant(Decimal{});
    case VarType::Dispatch:
      return Variant(std::shared_ptr<DispatchPort>());
    case VarType::Unknown:
      return Variant::Unknown(nullptr);
    case VarType::Error:
      return Variant::ErrorCode(0);
    default:
      if (IsIntegerType(type)) return Variant::Int(type, 0);
      return Variant();
  }
}

Variant ChangeVariantType(const Variant& value, VarType target) {
  const Variant& v = value.Dereferenced();
  if (target == VarType::Variant) return v;
  if (v.IsOpaque()) ThrowMismatch(VarType::Unknown, target);
  if (!v.IsArray() && v.Type() == target) return v;
  if (v.IsNull() || v.Type() == VarType::Error || v.Type() == VarType::Dispatch ||
      v.Type() == VarType::Unknown) {
    ThrowMismatch(v.Type(), target);
  }
  if (IsIntegerType(target)) return ToInteger(v, target);
  switch (target) {
    case VarType::Empty:
      return Variant();
    case VarType::R4:
    case VarType::R8:
      return ToReal(v, target);
    case VarType::Currency:
      return ToCurrency(v);
    case VarType::Date:
      return ToDate(v);
    case VarType::Bool:
      return ToBool(v);
    case VarType::String:
      return ToText(v);
    default:
      ThrowMismatch(v.Type(), target);
  }
}

Variant Variant::ChangeType(VarType target) const {
  return ChangeVariantType(*this, target);
}

std::int32_t Variant::ToInt32() const {
  return static_cast<std::int32_t>(ChangeType(VarType::I4).RawInt());
}

std::int64_t Variant::ToInt64() const {
  return ChangeType(VarType::I8).RawInt();
}

double Variant::ToDouble() const {
  return ChangeType(VarType::R8).RawReal();
}

bool Variant::ToBool() const {
  return ChangeType(VarType::Bool).RawInt() != 0;
}

Currency Variant::ToCurrency() const {
  return Currency{ChangeType(VarType::Currency).RawInt()};
}

Date Variant::ToDate() const {
  return Date{ChangeType(VarType::Date).RawReal()};
}

WideString Variant::ToString() const {
  return ChangeType(VarType::String).RawString();
}

}  // namespace equ
