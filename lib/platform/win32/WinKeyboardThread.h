#pragma once

#include <windows.h>

#include <memory>
#include <thread>

#include "platform/KeyboardThreadPorts.h"

namespace equ::win32 {

// A thread with its own message loop (GetMessage, DispatchMessage), for the keyboard channel's
// hook and timers. Work reaches it as a thread message; the caller waits for that work only and
// runs none of its own thread's messages meanwhile. Destroying the object ends the loop and
// joins the thread.
class WinKeyboardThread : public KeyboardThread {
 public:
  static PortResult<std::unique_ptr<KeyboardThread>> Start();
  ~WinKeyboardThread() override;
  WinKeyboardThread(const WinKeyboardThread&) = delete;
  WinKeyboardThread& operator=(const WinKeyboardThread&) = delete;

  void Call(const std::function<void()>& work) override;

 private:
  WinKeyboardThread() = default;
  void Run();

  std::thread thread_;
  DWORD threadId_ = 0;
};

}  // namespace equ::win32
