#include "scanner/serial/SerialText.h"

#include <array>

namespace equ {

namespace {

constexpr std::array<const char16_t*, 32> kControlNames = {
    u"NUL", u"SOH", u"STX", u"ETX", u"EOT", u"ENQ", u"ACK", u"BEL", u"BS",  u"TAB", u"LF",
    u"VT",  u"FF",  u"CR",  u"SO",  u"SI",  u"DLE", u"DC1", u"DC2", u"DC3", u"DC4", u"NAK",
    u"SYN", u"ETB", u"CAN", u"EM",  u"SUB", u"ESC", u"FS",  u"GS",  u"RS",  u"US"};

constexpr std::size_t kMaxHexBytes = 255;

bool IsControlOrBlank(char c) {
  return static_cast<unsigned char>(c) < 33;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string EndsWithAny(std::string_view text, std::initializer_list<std::string_view> candidates) {
  for (std::string_view candidate : candidates) {
    if (!candidate.empty() && text.ends_with(candidate)) return std::string(candidate);
  }
  return {};
}

WideString ControlCharName(std::string_view bytes, const CodePage& codePage) {
  WideString out;
  std::size_t runStart = 0;
  auto flushRun = [&](std::size_t end) {
    if (end > runStart) out += codePage.FromAnsi(bytes.substr(runStart, end - runStart));
  };
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto code = static_cast<unsigned char>(bytes[i]);
    if (code >= 32) continue;
    flushRun(i);
    out += u"[";
    out += kControlNames[code];
    out += u"]";
    runStart = i + 1;
  }
  flushRun(bytes.size());
  return out;
}

std::string HexToStr(std::string_view hex) {
  std::string digits;
  for (char c : hex) {
    if (c != ' ') digits += c;
  }
  digits = TrimControl(digits);
  std::string out;
  for (std::size_t i = 0; i + 1 < digits.size() && out.size() < kMaxHexBytes; i += 2) {
    const int high = HexDigit(digits[i]);
    const int low = HexDigit(digits[i + 1]);
    out += high < 0 || low < 0 ? '\0' : static_cast<char>(high * 16 + low);
  }
  return out;
}

std::string TrimControlLeft(std::string_view text) {
  std::size_t first = 0;
  while (first < text.size() && IsControlOrBlank(text[first])) ++first;
  return std::string(text.substr(first));
}

std::string TrimControl(std::string_view text) {
  std::size_t last = text.size();
  while (last > 0 && IsControlOrBlank(text[last - 1])) --last;
  return TrimControlLeft(text.substr(0, last));
}

}  // namespace equ
