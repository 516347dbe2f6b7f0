#pragma once

#include "platform/TextCase.h"

namespace equ::win32 {

// Upper case by the system (CharUpperBuffW), for every letter that has a capital.
class WinTextCase : public TextCase {
 public:
  WideString ToUpper(std::u16string_view text) const override;
};

}  // namespace equ::win32
