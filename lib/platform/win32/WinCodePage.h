#pragma once

#include "platform/CodePage.h"

namespace equ::win32 {

// The system's ANSI code page (CP_ACP).
class WinCodePage : public CodePage {
 public:
  std::string ToAnsi(std::u16string_view text) const override;
  WideString FromAnsi(std::string_view bytes) const override;
};

}  // namespace equ::win32
