#include "scanner/keyboard/CharCodes.h"

namespace equ {

namespace {

constexpr std::size_t kCodeDigits = 3;

bool IsDecimalDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

// The code written right after a "#" at `hash`; 0 when there is none.
unsigned CodeAfterHash(std::u16string_view text, std::size_t hash, std::size_t& digits) {
  std::u16string_view code = text.substr(hash + 1, kCodeDigits);
  digits = code.size();
  unsigned value = 0;
  if (code.empty()) return 0;
  for (char16_t c : code) {
    if (!IsDecimalDigit(c)) return 0;
    value = value * 10 + static_cast<unsigned>(c - u'0');
  }
  return value;
}

bool IsLineEnd(char16_t c) {
  return c == u'\r' || c == u'\n';
}

}  // namespace

WideString DecodeCharCodes(std::u16string_view text) {
  if (text.find(u'#') == std::u16string_view::npos) return WideString(text);
  WideString result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'#') {
      result += text[i];
      continue;
    }
    std::size_t digits = 0;
    unsigned code = CodeAfterHash(text, i, digits);
    if (code >= 1) {
      result += static_cast<char16_t>(code & 0xFFFF);
      i += digits;
    } else {
      result += u'#';
    }
  }
  return result;
}

WideString DeleteCRLF(std::u16string_view text) {
  for (int pass = 0; pass < 2 && !text.empty() && IsLineEnd(text.back()); ++pass) {
    text.remove_suffix(1);
  }
  return WideString(text);
}

}  // namespace equ
