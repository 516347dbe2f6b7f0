#pragma once

#include "platform/WindowFocus.h"

namespace equ::posix {

// The native build has no host windows: nothing is ever in front.
class PosixWindowFocus : public WindowFocus {
 public:
  std::uintptr_t ForegroundWindow() const override { return 0; }
  std::vector<std::uintptr_t> EnabledThreadWindows() const override { return {}; }
  void EnableInput(std::uintptr_t, bool) const override {}
  void BringToFront(std::uintptr_t) const override {}
};

}  // namespace equ::posix
