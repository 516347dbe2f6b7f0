#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace equ {

// Texts inside the driver are UTF-16, as they are at the automation boundary.
using WideString = std::u16string;

WideString Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::u16string_view text);

char16_t AsciiUpper(char16_t c);
// Compares two names folding only the ASCII letters a-z and A-Z together; every other
// character (Cyrillic included) must match exactly. Method names, setting identifiers and
// manager operation names are compared this way.
bool SameTextAscii(std::u16string_view a, std::u16string_view b);

WideString IntToWide(std::int64_t value);
WideString UIntToHex(std::uint64_t value, int minDigits);

// Replaces every CR LF pair by the two characters backslash and 'n'.
WideString EscapeLineBreaks(std::u16string_view text);

}  // namespace equ
