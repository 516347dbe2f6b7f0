#pragma once

#include "platform/Clock.h"

namespace equ::win32 {

class WinClock : public Clock {
 public:
  LocalDateTime Now() const override;
};

}  // namespace equ::win32
