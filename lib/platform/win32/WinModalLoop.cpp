#include "WinModalLoop.h"

#include <vector>

namespace equ::win32 {

namespace {

struct ThreadWindows {
  HWND except;
  std::vector<HWND> disabled;
};

BOOL CALLBACK DisableOne(HWND window, LPARAM parameter) {
  auto& windows = *reinterpret_cast<ThreadWindows*>(parameter);
  if (window != windows.except && IsWindowEnabled(window) && IsWindowVisible(window)) {
    EnableWindow(window, FALSE);
    windows.disabled.push_back(window);
  }
  return TRUE;
}

// Switches the thread's other windows off for its lifetime.
class DisabledThreadWindows {
 public:
  explicit DisabledThreadWindows(HWND except) : windows_{except, {}} {
    EnumThreadWindows(GetCurrentThreadId(), &DisableOne, reinterpret_cast<LPARAM>(&windows_));
  }
  ~DisabledThreadWindows() {
    for (HWND window : windows_.disabled) {
      if (IsWindow(window)) EnableWindow(window, TRUE);
    }
  }
  DisabledThreadWindows(const DisabledThreadWindows&) = delete;
  DisabledThreadWindows& operator=(const DisabledThreadWindows&) = delete;

 private:
  ThreadWindows windows_;
};

}  // namespace

void RunModalLoop(HWND window, const std::function<bool()>& closed,
                  const std::function<bool(MSG&)>& preTranslate) {
  const DisabledThreadWindows others(window);
  MSG message;
  while (!closed()) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (got < 0) return;
    if (preTranslate && preTranslate(message)) continue;
    if (IsDialogMessageW(window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace equ::win32
