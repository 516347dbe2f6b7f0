#pragma once

#include <windows.h>

#include "platform/KeyboardHook.h"

namespace equ::win32 {

// The desktop's low-level keyboard hook (WH_KEYBOARD_LL), installed by the calling thread,
// which must pump messages for events to arrive. The hook is removed with the object. All the
// objects of one thread share one system hook: the newest is asked first, and an event that
// one of them swallows goes no further.
class WinKeyboardHook : public KeyboardHook {
 public:
  WinKeyboardHook() = default;
  ~WinKeyboardHook() override;
  WinKeyboardHook(const WinKeyboardHook&) = delete;
  WinKeyboardHook& operator=(const WinKeyboardHook&) = delete;

  PortStatus Install(Handler handler) override;
  void Remove() override;
  bool IsInstalled() const override { return installed_; }
  // The thread's system hook is replaced by a fresh one; the old one's unhooking fails when
  // the system had already removed it.
  PortResult<bool> Renew() override;

 private:
  static LRESULT CALLBACK KeyboardHookProc(int nCode, WPARAM wParam, LPARAM lParam);
  static bool OfferToReceivers(std::uint32_t message, const RawKeyEvent& event);

  bool installed_ = false;
  Handler handler_;
};

}  // namespace equ::win32
