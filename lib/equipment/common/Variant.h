#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "WideString.h"

namespace equ {

class AutomationObject;
class DispatchPort;
class SafeArray;
class Variant;

// Automation type numbers; the Win32 boundary maps them one to one onto VARTYPE.
enum class VarType : std::uint16_t {
  Empty = 0,
  Null = 1,
  I2 = 2,
  I4 = 3,
  R4 = 4,
  R8 = 5,
  Currency = 6,
  Date = 7,
  String = 8,
  Dispatch = 9,
  Error = 10,
  Bool = 11,
  Variant = 12,
  Unknown = 13,
  Decimal = 14,
  I1 = 16,
  UI1 = 17,
  UI2 = 18,
  UI4 = 19,
  I8 = 20,
  UI8 = 21,
  Int = 22,
  UInt = 23,
};

inline constexpr std::uint16_t kVarArrayFlag = 0x2000;
inline constexpr std::uint16_t kVarByRefFlag = 0x4000;

// Currency: a 64-bit integer scaled by 10,000.
struct Currency {
  std::int64_t scaled = 0;
  friend bool operator==(Currency, Currency) = default;
};

// Date: days since 30 December 1899, the fraction being the time of day.
struct Date {
  double days = 0;
  friend bool operator==(Date, Date) = default;
};

// 96-bit scaled decimal as automation keeps it.
struct Decimal {
  std::uint8_t scale = 0;
  bool negative = false;
  std::uint32_t hi32 = 0;
  std::uint64_t lo64 = 0;
  double ToDouble() const;
  friend bool operator==(const Decimal&, const Decimal&) = default;
};

namespace detail {

// Owns the array of an array variant and copies it deeply. Defined out of line: the header
// needs no complete SafeArray.
class ArrayHolder {
 public:
  ArrayHolder() = default;
  explicit ArrayHolder(SafeArray array);
  ArrayHolder(const ArrayHolder& other);
  ArrayHolder(ArrayHolder&& other) noexcept;
  ArrayHolder& operator=(const ArrayHolder& other);
  ArrayHolder& operator=(ArrayHolder&& other) noexcept;
  ~ArrayHolder();
  SafeArray* get() const { return array_; }
  explicit operator bool() const { return array_ != nullptr; }

 private:
  SafeArray* array_ = nullptr;
};

// The state of a variant, kept apart so that copying and moving it is the compiler's
// member-wise work: a field added here is copied and moved without further code.
struct VariantFields {
  VarType type_ = VarType::Empty;
  bool isArray_ = false;
  bool opaque_ = false;
  std::uint16_t opaqueType_ = 0;
  std::int64_t int_ = 0;
  double real_ = 0;
  WideString text_;
  Decimal decimal_;
  std::shared_ptr<AutomationObject> object_;
  Variant* referent_ = nullptr;
  // Last, so that assigning an element of a variant's own array reads every other member of
  // that element before the old array goes.
  ArrayHolder array_;
};

}  // namespace detail

// The core's automation variant. Value semantics: copying a variant copies its string and its
// array; interface references are shared (reference counted by the adapter behind them).
//
// A by-reference variant does not own what it refers to. There are two kinds, as in
// automation: a reference to a variant (VT_BYREF|VT_VARIANT) and a reference to a value of a
// simple type (VT_BYREF|type), which keeps the referenced type fixed.
class Variant : private detail::VariantFields {
 public:
  Variant() = default;
  Variant(std::int32_t value);                      // NOLINT: implicit by design
  Variant(bool value);                              // NOLINT: implicit by design
  Variant(double value);                            // NOLINT: implicit by design
  Variant(const char16_t* value);                   // NOLINT: implicit by design
  Variant(WideString value);                        // NOLINT: implicit by design
  Variant(Currency value);                          // NOLINT: implicit by design
  Variant(Date value);                              // NOLINT: implicit by design
  Variant(Decimal value);                           // NOLINT: implicit by design
  Variant(SafeArray array);                         // NOLINT: implicit by design
  Variant(std::shared_ptr<DispatchPort> dispatch);  // NOLINT: implicit by design

  // A copy copies the string and the array; a moved-from variant is Empty.
  Variant(const Variant& other) = default;
  Variant& operator=(const Variant& other) = default;
  Variant(Variant&& other) noexcept : VariantFields(TakeFields(other)) {}
  Variant& operator=(Variant&& other) noexcept {
    VariantFields::operator=(TakeFields(other));
    return *this;
  }
  ~Variant() = default;

  static Variant Null();
  static Variant Int(VarType integerType, std::int64_t value);
  static Variant UInt(VarType integerType, std::uint64_t value);
  static Variant Single(float value);
  static Variant ErrorCode(std::int32_t scode);
  static Variant Unknown(std::shared_ptr<AutomationObject> object);
  // An array variant that has no array data (a VT_ARRAY with a null array).
  static Variant ArrayWithoutData(VarType elementType);
  static Variant ReferenceTo(Variant& target);
  static Variant TypedReferenceTo(Variant& target);
  // A value of a type the core does not model; it keeps only its type number.
  static Variant Opaque(std::uint16_t varType);

  VarType Type() const { return type_; }
  // The full automation type number, with the array and by-reference flags.
  std::uint16_t TypeCode() const;
  bool IsEmpty() const { return type_ == VarType::Empty && !IsArray() && !IsByRef() && !opaque_; }
  bool IsNull() const { return type_ == VarType::Null && !IsArray() && !IsByRef(); }
  bool IsArray() const { return isArray_; }
  bool IsByRef() const { return referent_ != nullptr; }
  bool IsVariantReference() const { return IsByRef() && type_ == VarType::Variant; }
  bool IsOpaque() const { return opaque_; }
  // Integer of any width, signed or unsigned, or a Boolean.
  bool IsOrdinal() const;

  // Raw values (no conversion); each is meaningful only for its own type.
  std::int64_t RawInt() const { return int_; }
  std::uint64_t RawUInt() const { return static_cast<std::uint64_t>(int_); }
  double RawReal() const { return real_; }
  const WideString& RawString() const { return text_; }
  const Decimal& RawDecimal() const { return decimal_; }
  const std::shared_ptr<AutomationObject>& Object() const { return object_; }
  std::shared_ptr<DispatchPort> Dispatch() const;
  // The array of an array variant; nullptr when there is none.
  const SafeArray* Array() const { return array_.get(); }
  SafeArray* Array() { return array_.get(); }
  // The element type of an array variant.
  VarType ArrayElementType() const { return type_; }
  Variant* Referent() const { return referent_; }
  // The variant at the end of a chain of by-reference variants; *this when not by-reference.
  const Variant& Dereferenced() const;
  Variant& Dereferenced();

  // Automation coercions. They throw EVariantError when the value cannot be converted.
  Variant ChangeType(VarType target) const;
  std::int32_t ToInt32() const;
  std::int64_t ToInt64() const;
  double ToDouble() const;
  bool ToBool() const;
  Currency ToCurrency() const;
  Date ToDate() const;
  WideString ToString() const;

  void Clear() { *this = Variant(); }

  friend bool operator==(const Variant& a, const Variant& b);

 private:
  static VariantFields TakeFields(Variant& from) {
    return std::exchange(static_cast<VariantFields&>(from), VariantFields{});
  }
};

}  // namespace equ
