#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "Variant.h"

namespace equ {

// One dimension of an array: its lower bound and its number of elements.
struct ArrayBound {
  std::int32_t lower = 0;
  std::uint32_t count = 0;
  std::int32_t Upper() const { return lower + static_cast<std::int32_t>(count) - 1; }
  friend bool operator==(const ArrayBound&, const ArrayBound&) = default;
};

// An automation array of any number of dimensions. Dimensions are kept in the array's own
// order: dimension 0 is the first (leftmost) index, the one a script reads with UBound(a, 1).
// Elements are variants; the element type says what the array holds at the boundary
// (VT_VARIANT for an array of variants, or a simple type such as VT_BSTR).
class SafeArray {
 public:
  SafeArray(VarType elementType, std::vector<ArrayBound> bounds);
  // A one-dimensional array of variants with lower bound 0.
  static SafeArray Vector(std::vector<Variant> elements);
  static SafeArray Vector(std::size_t count) {
    return SafeArray(VarType::Variant, {{0, static_cast<std::uint32_t>(count)}});
  }

  VarType ElementType() const { return elementType_; }
  std::size_t Dimensions() const { return bounds_.size(); }
  const std::vector<ArrayBound>& Bounds() const { return bounds_; }
  std::size_t ElementCount() const { return elements_.size(); }

  // The element at an index tuple (one index per dimension, in dimension order);
  // nullptr when the tuple lies outside the bounds.
  Variant* Find(std::span<const std::int32_t> indices);
  const Variant* Find(std::span<const std::int32_t> indices) const;
  // The same for a one-dimensional array.
  Variant* Find(std::int32_t index) { return Find(std::span<const std::int32_t>(&index, 1)); }
  const Variant* Find(std::int32_t index) const {
    return Find(std::span<const std::int32_t>(&index, 1));
  }
  // Throws EVariantError when the index lies outside the bounds.
  Variant& At(std::int32_t index);
  const Variant& At(std::int32_t index) const;

  // Elements in storage order: the first index runs fastest.
  std::vector<Variant>& Elements() { return elements_; }
  const std::vector<Variant>& Elements() const { return elements_; }

  friend bool operator==(const SafeArray&, const SafeArray&) = default;

 private:
  bool OffsetOf(std::span<const std::int32_t> indices, std::size_t& offset) const;

  VarType elementType_;
  std::vector<ArrayBound> bounds_;
  std::vector<Variant> elements_;
};

}  // namespace equ
