#pragma once

#include "platform/NamedMutex.h"

namespace equ::win32 {

// Mutexes in the local namespace of named objects (one per user logon).
class WinNamedMutexes : public NamedMutexes {
 public:
  Claim CreateOwned(const WideString& name) override;
};

}  // namespace equ::win32
