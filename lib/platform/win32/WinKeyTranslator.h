#pragma once

#include "platform/KeyTranslator.h"

namespace equ::win32 {

// Key translation by ToAsciiEx under the given key state and keyboard layout.
class WinKeyTranslator : public KeyTranslator {
 public:
  int Translate(std::uint32_t vkCode, std::uint32_t scanCode, const KeyboardState& state,
                std::uint32_t layout, std::uint8_t& code) const override;
};

}  // namespace equ::win32
