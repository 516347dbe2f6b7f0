#include "SafeArray.h"

#include "Exceptions.h"
#include "VariantCoercion.h"

namespace equ {

SafeArray::SafeArray(VarType elementType, std::vector<ArrayBound> bounds)
    : elementType_(elementType), bounds_(std::move(bounds)) {
  std::size_t count = bounds_.empty() ? 0 : 1;
  for (const ArrayBound& b : bounds_) count *= b.count;
  // An array of a simple type starts with that type's zero value, as automation does.
  const Variant zero = elementType_ == VarType::Variant ? Variant() : ZeroValueOf(elementType_);
  elements_.assign(count, zero);
}

SafeArray SafeArray::Vector(std::vector<Variant> elements) {
  SafeArray array(VarType::Variant, {{0, static_cast<std::uint32_t>(elements.size())}});
  array.elements_ = std::move(elements);
  return array;
}

bool SafeArray::OffsetOf(std::span<const std::int32_t> indices, std::size_t& offset) const {
  if (indices.size() != bounds_.size() || bounds_.empty()) return false;
  offset = 0;
  std::size_t stride = 1;
  for (std::size_t k = 0; k < bounds_.size(); ++k) {
    const std::int64_t relative = static_cast<std::int64_t>(indices[k]) - bounds_[k].lower;
    if (relative < 0 || relative >= static_cast<std::int64_t>(bounds_[k].count)) return false;
    offset += static_cast<std::size_t>(relative) * stride;
    stride *= bounds_[k].count;
  }
  return true;
}

Variant* SafeArray::Find(std::span<const std::int32_t> indices) {
  std::size_t offset = 0;
  return OffsetOf(indices, offset) ? &elements_[offset] : nullptr;
}

const Variant* SafeArray::Find(std::span<const std::int32_t> indices) const {
  std::size_t offset = 0;
  return OffsetOf(indices, offset) ? &elements_[offset] : nullptr;
}

Variant& SafeArray::At(std::int32_t index) {
  if (Variant* element = Find(index)) return *element;
  throw EVariantError(kVarErrorBadIndex, u"Индекс массива вне границ");
}

const Variant& SafeArray::At(std::int32_t index) const {
  if (const Variant* element = Find(index)) return *element;
  throw EVariantError(kVarErrorBadIndex, u"Индекс массива вне границ");
}

}  // namespace equ
