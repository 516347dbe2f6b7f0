#pragma once

#include <cstdint>

namespace equ {

// A local date and time to the millisecond.
struct LocalDateTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// The wall clock, in local time. Logs name their daily files and stamp their lines with it.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalDateTime Now() const = 0;
};

}  // namespace equ
