#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>

namespace equ::testing {

inline constexpr ULONGLONG kPumpSliceMs = 5;

// Serves the calling thread's messages (timer ticks, low-level hook calls) until done()
// answers true or timeoutMs has passed; answers done().
inline bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (!done()) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) break;
    // Sliced: under Wine a hook on another thread is handed the next key only when the thread
    // with the focus asks for input again, and a swallowed key wakes nobody.
    const DWORD slice = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, kPumpSliceMs));
    MsgWaitForMultipleObjects(0, nullptr, FALSE, slice, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return done();
}

}  // namespace equ::testing
