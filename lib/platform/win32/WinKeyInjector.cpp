#include "WinKeyInjector.h"

#include <windows.h>

namespace equ::win32 {

void WinKeyInjector::Inject(const KeyStroke& stroke) {
  keybd_event(static_cast<BYTE>(stroke.vkCode & 0xFF), static_cast<BYTE>(stroke.scanCode & 0xFF),
              stroke.flags & (KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP),
              static_cast<ULONG_PTR>(stroke.dwExtraInfo));
}

}  // namespace equ::win32
