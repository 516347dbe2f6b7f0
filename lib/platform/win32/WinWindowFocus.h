#pragma once

#include "platform/WindowFocus.h"

namespace equ::win32 {

class WinWindowFocus : public WindowFocus {
 public:
  std::uintptr_t ForegroundWindow() const override;
  std::vector<std::uintptr_t> EnabledThreadWindows() const override;
  void EnableInput(std::uintptr_t window, bool enable) const override;
  void BringToFront(std::uintptr_t window) const override;
};

}  // namespace equ::win32
