#include "WinTextCase.h"

#include <windows.h>

namespace equ::win32 {

WideString WinTextCase::ToUpper(std::u16string_view text) const {
  WideString result(text);
  if (!result.empty()) {
    CharUpperBuffW(reinterpret_cast<wchar_t*>(result.data()), static_cast<DWORD>(result.size()));
  }
  return result;
}

}  // namespace equ::win32
