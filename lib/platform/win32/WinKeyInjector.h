#pragma once

#include "platform/KeyInjector.h"

namespace equ::win32 {

// Replays key events with keybd_event: virtual key, scan code, key-up and extended flags and
// the extra information go back as they came; the hook sees them with LLKHF_INJECTED.
class WinKeyInjector : public KeyInjector {
 public:
  void Inject(const KeyStroke& stroke) override;
};

}  // namespace equ::win32
