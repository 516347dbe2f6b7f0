#pragma once

#include "platform/KeyboardHook.h"

namespace equ::posix {

// This platform has no desktop-wide keyboard to hook: Install fails, as a refused
// SetWindowsHookExW does on Windows, and a channel using it receives nothing.
class PosixKeyboardHook : public KeyboardHook {
 public:
  PortStatus Install(Handler) override {
    return PortFailure(u"Нет клавиатуры рабочего стола для перехвата");
  }
  void Remove() override {}
  bool IsInstalled() const override { return false; }
};

}  // namespace equ::posix
