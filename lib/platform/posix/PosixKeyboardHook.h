#pragma once

#include "platform/KeyboardHook.h"

namespace equ::posix {

// This platform has no desktop-wide keyboard to hook: Install answers false, as a refused
// SetWindowsHookExW does on Windows, and a channel using it receives nothing.
class PosixKeyboardHook : public KeyboardHook {
 public:
  bool Install(Handler) override { return false; }
  void Remove() override {}
  bool IsInstalled() const override { return false; }
};

}  // namespace equ::posix
