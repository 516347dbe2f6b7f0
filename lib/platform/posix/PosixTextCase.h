#pragma once

#include "platform/TextCase.h"

namespace equ::posix {

// Upper case by the C library's Unicode tables (the C.UTF-8 locale), which cover Cyrillic as
// well as Latin letters.
class PosixTextCase : public TextCase {
 public:
  WideString ToUpper(std::u16string_view text) const override;
};

}  // namespace equ::posix
