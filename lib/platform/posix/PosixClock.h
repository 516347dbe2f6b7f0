#pragma once

#include "platform/Clock.h"

namespace equ::posix {

class PosixClock : public Clock {
 public:
  LocalDateTime Now() const override;
};

}  // namespace equ::posix
