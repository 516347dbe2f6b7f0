#pragma once

#include <windows.h>
#include <oleauto.h>

#include "equipment/common/SafeArray.h"
#include "equipment/common/Variant.h"

namespace equ::win32 {

// Owns one VARIANT and clears it on destruction.
class ScopedVariant {
 public:
  ScopedVariant() { VariantInit(&value_); }
  ~ScopedVariant() { VariantClear(&value_); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  VARIANT* get() { return &value_; }
  const VARIANT* get() const { return &value_; }

 private:
  VARIANT value_;
};

// Owns one SAFEARRAY and destroys it on destruction unless released.
class ScopedSafeArray {
 public:
  explicit ScopedSafeArray(SAFEARRAY* array = nullptr) : array_(array) {}
  ~ScopedSafeArray() {
    if (array_ != nullptr) SafeArrayDestroy(array_);
  }
  ScopedSafeArray(const ScopedSafeArray&) = delete;
  ScopedSafeArray& operator=(const ScopedSafeArray&) = delete;
  SAFEARRAY* get() const { return array_; }
  SAFEARRAY* release() {
    SAFEARRAY* array = array_;
    array_ = nullptr;
    return array;
  }

 private:
  SAFEARRAY* array_;
};

// The core value of a VARIANT: chains of VT_BYREF|VT_VARIANT are followed and a by-reference
// value of a simple type is read (a by-reference integer becomes a plain integer). Interface
// references are shared with the VARIANT (one more platform reference is taken). Types the
// core does not model come back as opaque values that remember their type.
Variant FromVariant(const VARIANT& source);

// A SAFEARRAY as a core array, elements in the array's own index order.
SafeArray FromSafeArray(SAFEARRAY* source);

// Stores a core value into an uninitialized (or cleared) VARIANT. Throws on failure.
void ToVariant(const Variant& source, VARIANT* target);

// A new SAFEARRAY holding a core array. Throws on failure.
SAFEARRAY* ToSafeArray(const SafeArray& source);

// Stores a value back into a host argument: a plain argument is replaced by a copy of the
// value; a by-reference one receives the value converted to the referenced type. An array
// passed by reference is replaced only when it is an unlocked, not fixed array of VARIANTs.
// Throws EquException(1004) for a referenced type or an array it cannot store (the host's
// argument is then left as it was), EVariantError when the value does not convert.
void SetByRefValue(VARIANT* target, const Variant& value);

}  // namespace equ::win32
