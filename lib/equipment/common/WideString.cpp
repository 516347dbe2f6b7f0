#include "WideString.h"

namespace equ {

namespace {

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void AppendUtf16(WideString& out, char32_t cp) {
  if (cp < 0x10000) {
    out += static_cast<char16_t>(cp);
  } else {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  }
}

constexpr char32_t kReplacement = 0xFFFD;

int Utf8TrailCount(unsigned char lead) {
  if (lead < 0x80) return 0;
  if ((lead >> 5) == 0x6) return 1;
  if ((lead >> 4) == 0xE) return 2;
  if ((lead >> 3) == 0x1E) return 3;
  return -1;
}

}  // namespace

// Malformed sequences become U+FFFD one byte at a time, so no input is ever rejected.
WideString Utf8ToWide(std::string_view text) {
  WideString out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int trail = Utf8TrailCount(lead);
    if (trail < 0 || (trail > 0 && i + static_cast<size_t>(trail) >= text.size())) {
      AppendUtf16(out, kReplacement);
      ++i;
      continue;
    }
    char32_t cp = trail == 0 ? lead : static_cast<char32_t>(lead & (0x3F >> trail));
    bool valid = true;
    for (int k = 1; k <= trail; ++k) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
      valid = valid && (next & 0xC0) == 0x80;
      cp = (cp << 6) | (next & 0x3F);
    }
    if (!valid) {
      AppendUtf16(out, kReplacement);
      ++i;
      continue;
    }
    AppendUtf16(out, cp);
    i += static_cast<size_t>(trail) + 1;
  }
  return out;
}

std::string WideToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp < 0xE000) {
      cp = kReplacement;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

char16_t AsciiUpper(char16_t c) {
  return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
}

bool SameTextAscii(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

WideString IntToWide(std::int64_t value) {
  const std::string digits = std::to_string(value);
  return WideString(digits.begin(), digits.end());
}

WideString UIntToHex(std::uint64_t value, int minDigits) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  WideString out;
  do {
    out.insert(out.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  while (static_cast<int>(out.size()) < minDigits) out.insert(out.begin(), u'0');
  return out;
}

WideString EscapeLineBreaks(std::u16string_view text) {
  WideString out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
      out += u"\\n";
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace equ
