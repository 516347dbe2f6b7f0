#pragma once

#include <cstdint>
#include <vector>

namespace equ {

// The host's windows around a modal window of the driver: which one is in front, and
// switching their input off and on again.
class WindowFocus {
 public:
  virtual ~WindowFocus() = default;
  // The current foreground window; 0 when there is none.
  virtual std::uintptr_t ForegroundWindow() const = 0;
  // The top-level windows of the calling thread (the host's thread) that take input now.
  virtual std::vector<std::uintptr_t> EnabledThreadWindows() const = 0;
  virtual void EnableInput(std::uintptr_t window, bool enable) const = 0;
  // Brings the window to the front and sends it the set-focus message (7) with both
  // parameters 0.
  virtual void BringToFront(std::uintptr_t window) const = 0;
};

}  // namespace equ
