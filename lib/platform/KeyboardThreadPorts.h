#pragma once

#include <functional>
#include <memory>

#include "platform/KeyInjector.h"
#include "platform/KeyboardHook.h"
#include "platform/OneShotTimer.h"
#include "platform/PortResult.h"

namespace equ {

// The keyboard ports that belong to one thread: the hook and the timers arrive through that
// thread's message loop, and the injector's replays re-enter that thread's hook inside the call.
// `checkTimer` paces the look at the hook's health (KeyboardHook::Renew).
struct KeyboardThreadPorts {
  std::unique_ptr<KeyboardHook> hook;
  std::unique_ptr<OneShotTimer> timer;
  std::unique_ptr<KeyInjector> injector;
  std::unique_ptr<OneShotTimer> checkTimer;
};

// A thread of the keyboard channel's own, with its own message loop, so that the hook answers
// the system at once however long the host's thread is busy. Destroying the object ends the
// thread and waits for it.
class KeyboardThread {
 public:
  virtual ~KeyboardThread() = default;
  // Runs `work` on the thread, between two of its messages, and returns once it has run.
  virtual void Call(const std::function<void()>& work) = 0;
};

// Starts keyboard threads and makes the keyboard ports of the calling thread.
class KeyboardThreads {
 public:
  virtual ~KeyboardThreads() = default;
  // Call it on the thread that will use the ports.
  virtual KeyboardThreadPorts CreateForThisThread() = 0;
  // A failure with the system's text when no thread could be started.
  virtual PortResult<std::unique_ptr<KeyboardThread>> StartThread() = 0;
};

}  // namespace equ
