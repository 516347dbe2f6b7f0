#pragma once

#include <string_view>

#include "equipment/common/WideString.h"

namespace equ {

// Locale-aware case conversion of the system: every letter that has a capital, Cyrillic as well
// as Latin.
class TextCase {
 public:
  virtual ~TextCase() = default;
  virtual WideString ToUpper(std::u16string_view text) const = 0;
};

}  // namespace equ
