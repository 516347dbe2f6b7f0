#pragma once

#include <chrono>
#include <cstdint>
#include <thread>

namespace equ {

// Milliseconds of a monotonic clock, wrapping at 2^32 like the system tick count; differences
// are taken in unsigned arithmetic.
inline std::uint32_t TickCountMs() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

inline void SleepMs(std::uint32_t ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace equ
