#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

#include "equipment/common/WideString.h"

namespace equ::win32 {

// UTF-16 texts of the core as the platform's wide strings (both are 16-bit on Windows).
inline const wchar_t* WidePtr(const WideString& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}
inline WideString FromWide(const wchar_t* text) {
  return text ? WideString(reinterpret_cast<const char16_t*>(text)) : WideString();
}
inline WideString FromWide(const wchar_t* text, std::size_t length) {
  return WideString(reinterpret_cast<const char16_t*>(text), length);
}

inline WideString FromBstr(BSTR text) {
  return text ? FromWide(text, SysStringLen(text)) : WideString();
}
// A new BSTR; throws std::bad_alloc when there is no memory.
BSTR AllocBstr(const WideString& text);

// The system's message text of an error code (a Win32 error or an HRESULT).
WideString SystemErrorText(DWORD code);

}  // namespace equ::win32
