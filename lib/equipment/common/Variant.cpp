#include "Variant.h"

#include <cmath>
#include <utility>

#include "SafeArray.h"
#include "platform/AutomationObject.h"

namespace equ {

double Decimal::ToDouble() const {
  const double magnitude =
      (static_cast<double>(hi32) * 18446744073709551616.0 + static_cast<double>(lo64)) /
      std::pow(10.0, scale);
  return negative ? -magnitude : magnitude;
}

detail::ArrayHolder::ArrayHolder(SafeArray array) : array_(new SafeArray(std::move(array))) {}

detail::ArrayHolder::ArrayHolder(const ArrayHolder& other)
    : array_(other.array_ ? new SafeArray(*other.array_) : nullptr) {}

detail::ArrayHolder::ArrayHolder(ArrayHolder&& other) noexcept
    : array_(std::exchange(other.array_, nullptr)) {}

detail::ArrayHolder& detail::ArrayHolder::operator=(const ArrayHolder& other) {
  if (this != &other) {
    ArrayHolder copy(other);
    std::swap(array_, copy.array_);
  }
  return *this;
}

detail::ArrayHolder& detail::ArrayHolder::operator=(ArrayHolder&& other) noexcept {
  if (this != &other) {
    SafeArray* old = std::exchange(array_, std::exchange(other.array_, nullptr));
    delete old;
  }
  return *this;
}

detail::ArrayHolder::~ArrayHolder() {
  delete array_;
}

Variant::Variant(std::int32_t value) {
  type_ = VarType::I4;
  int_ = value;
}

Variant::Variant(bool value) {
  type_ = VarType::Bool;
  int_ = value ? -1 : 0;
}

Variant::Variant(double value) {
  type_ = VarType::R8;
  real_ = value;
}

Variant::Variant(const char16_t* value) {
  type_ = VarType::String;
  text_ = value;
}

Variant::Variant(WideString value) {
  type_ = VarType::String;
  text_ = std::move(value);
}

Variant::Variant(Currency value) {
  type_ = VarType::Currency;
  int_ = value.scaled;
}

Variant::Variant(Date value) {
  type_ = VarType::Date;
  real_ = value.days;
}

Variant::Variant(Decimal value) {
  type_ = VarType::Decimal;
  decimal_ = value;
}

Variant::Variant(SafeArray array) {
  type_ = array.ElementType();
  isArray_ = true;
  array_ = detail::ArrayHolder(std::move(array));
}

Variant::Variant(std::shared_ptr<DispatchPort> dispatch) {
  type_ = VarType::Dispatch;
  object_ = std::move(dispatch);
}

Variant Variant::Null() {
  Variant v;
  v.type_ = VarType::Null;
  return v;
}

Variant Variant::Int(VarType integerType, std::int64_t value) {
  Variant v;
  v.type_ = integerType;
  v.int_ = value;
  return v;
}

Variant Variant::UInt(VarType integerType, std::uint64_t value) {
  return Int(integerType, static_cast<std::int64_t>(value));
}

Variant Variant::Single(float value) {
  Variant v;
  v.type_ = VarType::R4;
  v.real_ = value;
  return v;
}

Variant Variant::ErrorCode(std::int32_t scode) {
  Variant v;
  v.type_ = VarType::Error;
  v.int_ = scode;
  return v;
}

Variant Variant::Unknown(std::shared_ptr<AutomationObject> object) {
  Variant v;
  v.type_ = VarType::Unknown;
  v.object_ = std::move(object);
  return v;
}

Variant Variant::ArrayWithoutData(VarType elementType) {
  Variant v;
  v.type_ = elementType;
  v.isArray_ = true;
  return v;
}

Variant Variant::ReferenceTo(Variant& target) {
  Variant v;
  v.type_ = VarType::Variant;
  v.referent_ = &target;
  return v;
}

Variant Variant::TypedReferenceTo(Variant& target) {
  Variant v;
  v.type_ = target.type_;
  v.isArray_ = target.isArray_;
  v.referent_ = &target;
  return v;
}

Variant Variant::Opaque(std::uint16_t varType) {
  Variant v;
  v.opaque_ = true;
  v.opaqueType_ = varType;
  return v;
}

std::uint16_t Variant::TypeCode() const {
  if (opaque_) return opaqueType_;
  auto code = static_cast<std::uint16_t>(type_);
  if (isArray_) code |= kVarArrayFlag;
  if (referent_ != nullptr) code |= kVarByRefFlag;
  return code;
}

bool Variant::IsOrdinal() const {
  if (isArray_ || opaque_) return false;
  switch (Dereferenced().type_) {
    case VarType::I1:
    case VarType::I2:
    case VarType::I4:
    case VarType::I8:
    case VarType::UI1:
    case VarType::UI2:
    case VarType::UI4:
    case VarType::UI8:
    case VarType::Int:
    case VarType::UInt:
    case VarType::Bool:
      return !Dereferenced().isArray_;
    default:
      return false;
  }
}

std::shared_ptr<DispatchPort> Variant::Dispatch() const {
  if (type_ != VarType::Dispatch || isArray_) return nullptr;
  return std::dynamic_pointer_cast<DispatchPort>(object_);
}

const Variant& Variant::Dereferenced() const {
  const Variant* v = this;
  while (v->referent_ != nullptr) v = v->referent_;
  return *v;
}

Variant& Variant::Dereferenced() {
  Variant* v = this;
  while (v->referent_ != nullptr) v = v->referent_;
  return *v;
}

bool operator==(const Variant& a, const Variant& b) {
  if (a.TypeCode() != b.TypeCode()) return false;
  if (a.IsByRef()) return a.referent_ == b.referent_;
  if (a.isArray_) {
    if (!a.array_ || !b.array_) return a.array_.get() == b.array_.get();
    return *a.array_.get() == *b.array_.get();
  }
  switch (a.type_) {
    case VarType::R4:
    case VarType::R8:
    case VarType::Date:
      return a.real_ == b.real_;
    case VarType::String:
      return a.text_ == b.text_;
    case VarType::Decimal:
      return a.decimal_ == b.decimal_;
    case VarType::Dispatch:
    case VarType::Unknown:
      return a.object_ == b.object_;
    default:
      return a.int_ == b.int_;
  }
}

}  // namespace equ
