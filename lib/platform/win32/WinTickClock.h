#pragma once

#include <windows.h>

#include "platform/TickClock.h"

namespace equ::win32 {

class WinTickClock : public TickClock {
 public:
  std::uint64_t NowMs() const override { return GetTickCount64(); }
};

}  // namespace equ::win32
