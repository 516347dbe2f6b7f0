#pragma once

#include "platform/KeyboardHook.h"

namespace equ::posix {

// This platform has no desktop-wide keyboard: the hook installs and nothing ever arrives, as on
// a desktop where nobody types.
class PosixKeyboardHook : public KeyboardHook {
 public:
  PortStatus Install(Handler) override {
    installed_ = true;
    return {};
  }
  void Remove() override { installed_ = false; }
  bool IsInstalled() const override { return installed_; }
  PortResult<bool> Renew() override {
    if (!installed_) return PortFailure(u"Перехват клавиатуры не установлен");
    return true;
  }

 private:
  bool installed_ = false;
};

}  // namespace equ::posix
