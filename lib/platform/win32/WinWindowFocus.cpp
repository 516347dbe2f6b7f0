#include "WinWindowFocus.h"

#include <windows.h>

namespace equ::win32 {

namespace {
HWND AsWindow(std::uintptr_t window) {
  return reinterpret_cast<HWND>(window);
}

// An enumeration callback of the system's calling convention (a lambda has the compiler's, which
// differs on 32-bit Windows).
BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM found) {
  if (IsWindowEnabled(window)) {
    reinterpret_cast<std::vector<std::uintptr_t>*>(found)->push_back(
        reinterpret_cast<std::uintptr_t>(window));
  }
  return TRUE;
}
}  // namespace

std::uintptr_t WinWindowFocus::ForegroundWindow() const {
  return reinterpret_cast<std::uintptr_t>(GetForegroundWindow());
}

std::vector<std::uintptr_t> WinWindowFocus::EnabledThreadWindows() const {
  std::vector<std::uintptr_t> windows;
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

void WinWindowFocus::EnableInput(std::uintptr_t window, bool enable) const {
  EnableWindow(AsWindow(window), enable ? TRUE : FALSE);
}

void WinWindowFocus::BringToFront(std::uintptr_t window) const {
  SetForegroundWindow(AsWindow(window));
  SendMessageW(AsWindow(window), WM_SETFOCUS, 0, 0);
}

}  // namespace equ::win32
