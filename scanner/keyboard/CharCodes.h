#pragma once

#include <string_view>

#include "equipment/common/WideString.h"

namespace equ {

// Replaces each "#" followed by a decimal character code (three digits, or fewer at the end of
// the text) by that character, so prefixes and postfixes can name control characters:
// "#013" is CR. A code of 0, or digits that are not a number, keep the "#" as it is.
WideString DecodeCharCodes(std::u16string_view text);

// Removes up to two trailing CR or LF characters, in any mix.
WideString DeleteCRLF(std::u16string_view text);

}  // namespace equ
