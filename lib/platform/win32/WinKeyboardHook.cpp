#include "WinKeyboardHook.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "WinHandles.h"
#include "WinText.h"

namespace equ::win32 {

namespace {

constexpr int kHookTypeLowLevelKeyboard = WH_KEYBOARD_LL;
// Any non-zero answer makes the system drop the event.
constexpr LRESULT kSwallow = 2;

// The system hook of this thread and the objects it serves, oldest first. Low-level hooks are
// called on their installer's thread, so each thread has its own.
struct ThreadHook {
  HookHandle handle;
  std::vector<WinKeyboardHook*> receivers;
};

ThreadHook& ThisThreadHook() {
  thread_local ThreadHook hook;
  return hook;
}

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

RawKeyEvent ToRawKeyEvent(const KBDLLHOOKSTRUCT& record) {
  RawKeyEvent event;
  event.vkCode = record.vkCode;
  event.scanCode = record.scanCode;
  event.flags = record.flags;
  event.time = record.time;
  event.dwExtraInfo = record.dwExtraInfo;
  return event;
}

}  // namespace

WinKeyboardHook::~WinKeyboardHook() {
  Remove();
}

PortStatus WinKeyboardHook::Install(Handler handler) {
  if (installed_) return {};
  ThreadHook& thread = ThisThreadHook();
  if (!thread.handle) {
    thread.handle.reset(
        SetWindowsHookExW(kHookTypeLowLevelKeyboard, &KeyboardHookProc, ThisModule(), 0));
    if (!thread.handle) return PortFailure(SystemErrorText(GetLastError()));
  }
  handler_ = std::move(handler);
  thread.receivers.push_back(this);
  installed_ = true;
  return {};
}

void WinKeyboardHook::Remove() {
  if (!installed_) return;
  ThreadHook& thread = ThisThreadHook();
  auto& receivers = thread.receivers;
  receivers.erase(std::remove(receivers.begin(), receivers.end(), this), receivers.end());
  if (receivers.empty()) thread.handle.reset();
  installed_ = false;
  handler_ = nullptr;
}

PortResult<bool> WinKeyboardHook::Renew() {
  if (!installed_) return PortFailure(u"Перехват клавиатуры не установлен");
  ThreadHook& thread = ThisThreadHook();
  HookHandle fresh(
      SetWindowsHookExW(kHookTypeLowLevelKeyboard, &KeyboardHookProc, ThisModule(), 0));
  if (!fresh) return PortFailure(SystemErrorText(GetLastError()));
  const HHOOK old = thread.handle.release();
  thread.handle = std::move(fresh);
  return old != nullptr && UnhookWindowsHookEx(old) != FALSE;
}

bool WinKeyboardHook::OfferToReceivers(std::uint32_t message, const RawKeyEvent& event) {
  const auto& receivers = ThisThreadHook().receivers;
  // By index: a handler may remove receivers (itself included) while it runs.
  for (std::size_t i = receivers.size(); i-- > 0;) {
    if (i >= receivers.size()) continue;
    // A copy: the handler may free its own object.
    const Handler handler = receivers[i]->handler_;
    if (handler && handler(message, event)) return true;
  }
  return false;
}

LRESULT CALLBACK WinKeyboardHook::KeyboardHookProc(int nCode, WPARAM wParam, LPARAM lParam) {
  if (nCode >= 0) {
    const RawKeyEvent event = ToRawKeyEvent(*reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam));
    try {
      if (OfferToReceivers(static_cast<std::uint32_t>(wParam), event)) return kSwallow;
    } catch (...) {
      // Nothing may escape into the system's input processing; the event passes.
    }
  }
  return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

}  // namespace equ::win32
