#pragma once

#include <windows.h>

#include <memory>

#include "WinHandles.h"
#include "platform/MessageWindow.h"

namespace equ::win32 {

// A message-only window of the creating thread. Messages from WM_USER up, and WM_TIMER, go to
// the procedure; the system's own window messages go to the default window procedure. Destroy
// it on the thread that made it; its own procedure may destroy it.
class WinMessageWindow : public MessageWindow {
 public:
  explicit WinMessageWindow(Procedure procedure);
  ~WinMessageWindow() override;
  WinMessageWindow(const WinMessageWindow&) = delete;
  WinMessageWindow& operator=(const WinMessageWindow&) = delete;

  bool Created() const { return static_cast<bool>(hwnd_); }
  std::uintptr_t Handle() const override { return reinterpret_cast<std::uintptr_t>(hwnd_.get()); }
  std::intptr_t Send(const WindowMessage& message) override;
  bool Post(const WindowMessage& message) override;

 private:
  static LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  // Shared with a call under way, which keeps it while the procedure destroys its window.
  std::shared_ptr<const Procedure> procedure_;
  WindowHandle hwnd_;
};

// Makes message-only windows; ServeMessagesUntil waits with MsgWaitForMultipleObjects and
// dispatches with PeekMessage, so messages sent from other threads are handled meanwhile.
class WinMessageWindows : public MessageWindows {
 public:
  WindowResult Create(MessageWindow::Procedure procedure) override;
  bool ServeMessagesUntil(const std::function<bool()>& done, int timeoutMs) override;
  // Only a window of this process: a window's message parameters may be addresses here.
  std::optional<std::intptr_t> SendToWindow(std::uintptr_t handle,
                                            const WindowMessage& message) override;
};

}  // namespace equ::win32
