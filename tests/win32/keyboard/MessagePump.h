#pragma once

#include <windows.h>

#include <functional>

namespace equ::testing {

// Serves the calling thread's messages (timer ticks, low-level hook calls) until done()
// answers true or timeoutMs has passed; answers done().
inline bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (!done()) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return done();
}

}  // namespace equ::testing
