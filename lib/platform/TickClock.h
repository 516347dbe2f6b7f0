#pragma once

#include <cstdint>

namespace equ {

// Milliseconds of a clock that only runs forward (the system's tick count): waits measure
// their elapsed time with it, so a change of the wall clock neither ends nor stretches them.
class TickClock {
 public:
  virtual ~TickClock() = default;
  virtual std::uint64_t NowMs() const = 0;
};

}  // namespace equ
