#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "equipment/common/WideString.h"
#include "platform/CodePage.h"

namespace equ {

// The first candidate, in the order given, that ends text; empty when none does.
std::string EndsWithAny(std::string_view text, std::initializer_list<std::string_view> candidates);

// The trace form of serial bytes: control bytes (below 32) as "[NAME]" with their ASCII
// abbreviations, the others as text of the code page.
WideString ControlCharName(std::string_view bytes, const CodePage& codePage);

// Bytes written as hexadecimal pairs ("0D 0A" gives CR LF): blanks are ignored, a pair that
// is not hexadecimal gives a zero byte, an odd last digit is dropped, at most 255 bytes.
std::string HexToStr(std::string_view hex);

// text without its leading and trailing bytes below 33 (blanks and control bytes).
std::string TrimControl(std::string_view text);
std::string TrimControlLeft(std::string_view text);

}  // namespace equ
