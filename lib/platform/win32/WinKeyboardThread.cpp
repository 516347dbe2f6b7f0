#include "WinKeyboardThread.h"

#include <future>
#include <system_error>

#include "equipment/common/WideString.h"

namespace equ::win32 {

namespace {

// A thread message (no window) whose lParam points at a Work of the caller.
constexpr UINT kRunWork = WM_APP + 41;

struct Work {
  const std::function<void()>* work;
  std::promise<void> done;
};

}  // namespace

PortResult<std::unique_ptr<KeyboardThread>> WinKeyboardThread::Start() {
  std::unique_ptr<WinKeyboardThread> thread(new WinKeyboardThread());
  std::promise<DWORD> ready;
  std::future<DWORD> id = ready.get_future();
  try {
    WinKeyboardThread* self = thread.get();
    thread->thread_ = std::thread([self, &ready] {
      MSG message;
      // Makes the thread's message queue before anyone posts to it.
      PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
      ready.set_value(GetCurrentThreadId());
      self->Run();
    });
  } catch (const std::system_error& e) {
    return PortFailure(Utf8ToWide(e.what()));
  }
  thread->threadId_ = id.get();
  return std::unique_ptr<KeyboardThread>(std::move(thread));
}

WinKeyboardThread::~WinKeyboardThread() {
  if (!thread_.joinable()) return;
  PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
  thread_.join();
}

void WinKeyboardThread::Call(const std::function<void()>& work) {
  if (GetCurrentThreadId() == threadId_) {
    work();
    return;
  }
  Work call{&work, {}};
  std::future<void> done = call.done.get_future();
  if (!PostThreadMessageW(threadId_, kRunWork, 0, reinterpret_cast<LPARAM>(&call))) return;
  done.wait();
}

void WinKeyboardThread::Run() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.hwnd == nullptr && message.message == kRunWork) {
      auto* call = reinterpret_cast<Work*>(message.lParam);
      try {
        (*call->work)();
      } catch (...) {
        // The caller's work reports its own failures; nothing may end the loop.
      }
      call->done.set_value();
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace equ::win32
