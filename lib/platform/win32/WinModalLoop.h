#pragma once

#include <windows.h>

#include <functional>

namespace equ::win32 {

// The one place where the settings windows run modally. The host's windows are already off
// (the device switches them off around its dialogs); the loop also switches off the driver's
// own windows below this one (the settings dialog under its settings list): every other
// enabled top-level window of this thread is switched off for the loop and exactly those are
// switched on again after it. The loop serves the thread's messages, with dialog keys (Tab, Enter, Esc) for the
// window, until closed() answers true. preTranslate sees each message first and may take it.
void RunModalLoop(HWND window, const std::function<bool()>& closed,
                  const std::function<bool(MSG&)>& preTranslate = nullptr);

}  // namespace equ::win32
