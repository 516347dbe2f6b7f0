#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/PortResult.h"

namespace equ {

// A window message: its number and its two parameters.
struct WindowMessage {
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
};

// A hidden window owned by the thread that created it: messages sent or posted to it, from any
// thread, are handled by its procedure on that thread.
class MessageWindow {
 public:
  using Procedure = std::function<std::intptr_t(const WindowMessage&)>;
  virtual ~MessageWindow() = default;
  // The platform's handle of the window (an HWND on Windows).
  virtual std::uintptr_t Handle() const = 0;
  // Delivers a message to the window's thread and returns its procedure's answer once it has
  // run (SendMessageW). From the window's own thread the procedure runs at once.
  virtual std::intptr_t Send(const WindowMessage& message) = 0;
  // Queues a message without waiting (PostMessageW); false when it cannot be queued.
  virtual bool Post(const WindowMessage& message) = 0;
};

// Makes hidden windows and serves their messages.
class MessageWindows {
 public:
  virtual ~MessageWindows() = default;
  using WindowResult = PortResult<std::unique_ptr<MessageWindow>>;
  // A hidden window of the calling thread.
  virtual WindowResult Create(MessageWindow::Procedure procedure) = 0;
  // Serves messages sent to the calling thread's windows (and its posted ones) until done()
  // answers true or timeoutMs has passed; answers done(). A thread that waits for a worker
  // which hands it data with Send must wait this way, or both would wait for ever.
  virtual bool ServeMessagesUntil(const std::function<bool()>& done, int timeoutMs) = 0;
  // Sends a message to a window known only by its handle and answers the procedure's answer;
  // nullopt, sending nothing, when the handle names no window of this process.
  virtual std::optional<std::intptr_t> SendToWindow(std::uintptr_t /*handle*/,
                                                    const WindowMessage& /*message*/) {
    return std::nullopt;
  }
};

}  // namespace equ
