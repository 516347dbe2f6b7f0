#pragma once

#include <windows.h>

#include "WinHandles.h"

namespace equ::win32 {

// Tahoma 8 point with the Cyrillic character set, as the settings windows are designed.
inline GdiObject CreateSettingsFont(bool bold) {
  return GdiObject(CreateFontW(-11, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                               RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                               DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma"));
}

inline void SetControlFont(HWND control, const GdiObject& font) {
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
}

// The outer size of a window whose client area has this size.
inline SIZE WindowSizeForClient(int width, int height, DWORD style, DWORD exStyle) {
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

}  // namespace equ::win32
