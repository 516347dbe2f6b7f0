#pragma once

#include <string>
#include <string_view>

#include "equipment/common/WideString.h"

namespace equ {

// The system's ANSI code page (Windows-1251 on the target systems): the single-byte text of
// the call trace, the serial line and the hand-off mailbox.
class CodePage {
 public:
  virtual ~CodePage() = default;
  // Characters the code page cannot hold become its default character.
  virtual std::string ToAnsi(std::u16string_view text) const = 0;
  virtual WideString FromAnsi(std::string_view bytes) const = 0;
};

}  // namespace equ
