#include "WinWindowFocus.h"

#include <windows.h>

namespace equ::win32 {

namespace {
HWND AsWindow(std::uintptr_t window) {
  return reinterpret_cast<HWND>(window);
}
}  // namespace

std::uintptr_t WinWindowFocus::ForegroundWindow() const {
  return reinterpret_cast<std::uintptr_t>(GetForegroundWindow());
}

void WinWindowFocus::EnableInput(std::uintptr_t window, bool enable) const {
  EnableWindow(AsWindow(window), enable ? TRUE : FALSE);
}

void WinWindowFocus::BringToFront(std::uintptr_t window) const {
  SetForegroundWindow(AsWindow(window));
  SendMessageW(AsWindow(window), WM_SETFOCUS, 0, 0);
}

}  // namespace equ::win32
