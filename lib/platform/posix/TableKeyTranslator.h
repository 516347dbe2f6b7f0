#pragma once

#include "platform/KeyTranslator.h"

namespace equ::posix {

// Key translation by fixed tables of the two layouts the driver offers: US English (1033) and
// Russian (1049, Windows-1251 codes). Shift, Caps Lock (toggle bit) and Ctrl with a letter
// (control codes 1 to 26) are honoured; any other layout value translates as US English.
// Keys that type nothing answer 0.
class TableKeyTranslator : public KeyTranslator {
 public:
  int Translate(std::uint32_t vkCode, std::uint32_t scanCode, const KeyboardState& state,
                std::uint32_t layout, std::uint8_t& code) const override;
};

}  // namespace equ::posix
