#include "WinText.h"

#include <new>

#include "WinHandles.h"

namespace equ::win32 {

BSTR AllocBstr(const WideString& text) {
  BSTR result = SysAllocStringLen(WidePtr(text), static_cast<UINT>(text.size()));
  if (result == nullptr) throw std::bad_alloc();
  return result;
}

WideString SystemErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  const LocalMemory owned(buffer);
  WideString text = length != 0 ? FromWide(buffer, length) : WideString();
  while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' ')) {
    text.pop_back();
  }
  if (text.empty()) text = u"Системная ошибка 0x" + UIntToHex(code, 8);
  return text;
}

}  // namespace equ::win32
