#pragma once

#include "platform/KeyInjector.h"

namespace equ::posix {

// No input stream to put keys into on this platform: replayed keys are dropped. (Nothing is
// ever held here, since PosixKeyboardHook delivers no events.)
class PosixKeyInjector : public KeyInjector {
 public:
  void Inject(const KeyStroke&) override {}
};

}  // namespace equ::posix
