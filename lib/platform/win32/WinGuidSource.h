#pragma once

#include "platform/GuidSource.h"

namespace equ::win32 {

class WinGuidSource : public GuidSource {
 public:
  PortResult<WideString> NewGuidText() override;
};

}  // namespace equ::win32
