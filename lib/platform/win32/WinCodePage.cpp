#include "WinCodePage.h"

#include <windows.h>

namespace equ::win32 {

std::string WinCodePage::ToAnsi(std::u16string_view text) const {
  if (text.empty()) return std::string();
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, length, out.data(), size, nullptr, nullptr);
  return out;
}

WideString WinCodePage::FromAnsi(std::string_view bytes) const {
  if (bytes.empty()) return WideString();
  const int length = static_cast<int>(bytes.size());
  const int size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
  WideString out(static_cast<std::size_t>(size), u'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, reinterpret_cast<wchar_t*>(out.data()),
                      size);
  return out;
}

}  // namespace equ::win32
