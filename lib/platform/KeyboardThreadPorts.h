#pragma once

#include <functional>
#include <memory>

#include "platform/KeyInjector.h"
#include "platform/KeyboardHook.h"
#include "platform/OneShotTimer.h"

namespace equ {

// Watches an installed keyboard hook for the platform taking it away without a word (Windows
// removes a low-level hook whose thread does not answer in time) and reports the loss on the
// hook's thread.
class KeyboardHookWatcher {
 public:
  virtual ~KeyboardHookWatcher() = default;
  virtual void Watch(KeyboardHook& hook, std::function<void()> onLost) = 0;
  virtual void Stop() = 0;
};

// The keyboard ports that belong to one thread: the hook and the timer arrive through that
// thread's message loop, and the injector's replays re-enter that thread's hook. The watcher
// may be absent (nothing watches the hook).
struct KeyboardThreadPorts {
  std::unique_ptr<KeyboardHook> hook;
  std::unique_ptr<OneShotTimer> timer;
  std::unique_ptr<KeyInjector> injector;
  std::unique_ptr<KeyboardHookWatcher> watcher;
};

// Makes the keyboard ports of the calling thread: call it on the thread that will use them.
class KeyboardThreads {
 public:
  virtual ~KeyboardThreads() = default;
  virtual KeyboardThreadPorts CreateForThisThread() = 0;
};

}  // namespace equ
