#pragma once

#include <chrono>

#include "platform/TickClock.h"

namespace equ::posix {

class PosixTickClock : public TickClock {
 public:
  std::uint64_t NowMs() const override {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
  }
};

}  // namespace equ::posix
