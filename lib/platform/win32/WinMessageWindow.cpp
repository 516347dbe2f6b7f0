#include "WinMessageWindow.h"

#include <algorithm>
#include <mutex>

#include "WinText.h"

namespace equ::win32 {

namespace {

constexpr wchar_t kClassName[] = L"EquHiddenMessageWindow";
// The wait is sliced so that done() is looked at again even when no message comes.
constexpr DWORD kServeSliceMs = 5;

// The module that holds this code (the driver DLL, or a test program).
HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

bool ReachesProcedure(UINT message) {
  return message >= WM_USER || message == WM_TIMER;
}

}  // namespace

WinMessageWindow::WinMessageWindow(Procedure procedure)
    : procedure_(std::make_shared<const Procedure>(std::move(procedure))) {
  static std::once_flag registered;
  std::call_once(registered, [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &WinMessageWindow::WindowProcedure;
    windowClass.hInstance = ThisModule();
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);
  });
  hwnd_.reset(CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              ThisModule(), this));
}

WinMessageWindow::~WinMessageWindow() {
  // Messages of the window's destruction must not reach a procedure that is going.
  if (hwnd_) SetWindowLongPtrW(hwnd_.get(), GWLP_USERDATA, 0);
}

LRESULT CALLBACK WinMessageWindow::WindowProcedure(HWND hwnd, UINT message, WPARAM wParam,
                                                   LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<WinMessageWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr || !ReachesProcedure(message) || !*self->procedure_) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  const std::shared_ptr<const Procedure> procedure = self->procedure_;
  try {
    return (*procedure)(WindowMessage{message, wParam, lParam});
  } catch (...) {
    // No exception may unwind through the system's message dispatch.
    return 0;
  }
}

std::intptr_t WinMessageWindow::Send(const WindowMessage& message) {
  return SendMessageW(hwnd_.get(), message.message, message.wParam, message.lParam);
}

bool WinMessageWindow::Post(const WindowMessage& message) {
  return PostMessageW(hwnd_.get(), message.message, message.wParam, message.lParam) != FALSE;
}

MessageWindows::WindowResult WinMessageWindows::Create(MessageWindow::Procedure procedure) {
  auto window = std::make_unique<WinMessageWindow>(std::move(procedure));
  if (!window->Created()) return PortFailure(SystemErrorText(GetLastError()));
  return window;
}

bool WinMessageWindows::ServeMessagesUntil(const std::function<bool()>& done, int timeoutMs) {
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    if (done()) return true;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        // The thread's own loop must still see the request to end.
        PostQuitMessage(static_cast<int>(message.wParam));
        return done();
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
      if (done()) return true;
    }
    const ULONGLONG elapsed = GetTickCount64() - start;
    if (timeoutMs >= 0 && elapsed >= static_cast<ULONGLONG>(timeoutMs)) return done();
    const DWORD left = timeoutMs >= 0 ? static_cast<DWORD>(timeoutMs - elapsed) : kServeSliceMs;
    MsgWaitForMultipleObjectsEx(0, nullptr, std::min(left, kServeSliceMs), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
  }
}

std::optional<std::intptr_t> WinMessageWindows::SendToWindow(std::uintptr_t handle,
                                                             const WindowMessage& message) {
  HWND window = reinterpret_cast<HWND>(handle);
  DWORD process = 0;
  if (!IsWindow(window) || GetWindowThreadProcessId(window, &process) == 0 ||
      process != GetCurrentProcessId()) {
    return std::nullopt;
  }
  return SendMessageW(window, message.message, message.wParam, message.lParam);
}

}  // namespace equ::win32
