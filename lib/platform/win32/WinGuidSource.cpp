#include "WinGuidSource.h"

#include <windows.h>
#include <objbase.h>

#include "WinText.h"

namespace equ::win32 {

PortResult<WideString> WinGuidSource::NewGuidText() {
  GUID guid{};
  const HRESULT hr = CoCreateGuid(&guid);
  if (FAILED(hr)) return PortFailure(SystemErrorText(static_cast<DWORD>(hr)));
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return FromWide(text);
}

}  // namespace equ::win32
