#pragma once

#include <cstdint>
#include <memory>

#include "platform/MessageWindow.h"

namespace equ::posix {

namespace messages {
class ThreadQueue;
}

// A hidden window emulated on a per-thread message queue, with the platform's semantics: a
// message sent from another thread waits in the owner thread's queue until that thread serves
// it (ServeMessagesUntil, or while it is itself inside a Send), and the sender blocks until the
// procedure has answered, serving the messages sent to its own thread meanwhile. Sent messages
// are served before posted ones. A window destroyed, or a thread ended, with sends pending
// answers them 0; a Send to it afterwards answers 0 at once. Destroy a window on its thread.
class PosixMessageWindow : public MessageWindow {
 public:
  PosixMessageWindow(std::shared_ptr<messages::ThreadQueue> queue, Procedure procedure);
  ~PosixMessageWindow() override;
  PosixMessageWindow(const PosixMessageWindow&) = delete;
  PosixMessageWindow& operator=(const PosixMessageWindow&) = delete;

  std::uintptr_t Handle() const override { return handle_; }
  std::intptr_t Send(const WindowMessage& message) override;
  bool Post(const WindowMessage& message) override;

 private:
  std::shared_ptr<messages::ThreadQueue> queue_;
  std::uintptr_t handle_;
};

class PosixMessageWindows : public MessageWindows {
 public:
  WindowResult Create(MessageWindow::Procedure procedure) override;
  bool ServeMessagesUntil(const std::function<bool()>& done, int timeoutMs) override;
  std::optional<std::intptr_t> SendToWindow(std::uintptr_t handle,
                                            const WindowMessage& message) override;
};

}  // namespace equ::posix
