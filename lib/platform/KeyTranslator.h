#pragma once

#include <array>
#include <cstdint>

namespace equ {

// One byte per virtual key: bit 7 = down, bit 0 = toggled.
using KeyboardState = std::array<std::uint8_t, 256>;
inline constexpr std::uint8_t kKeyDownBit = 0x80;
inline constexpr std::uint8_t kKeyToggleBit = 0x01;

// Turns a key into the character it types under a given key state and keyboard layout
// (a layout handle value such as 0x04190419), as single-byte codes of the layout's ANSI code
// page.
class KeyTranslator {
 public:
  virtual ~KeyTranslator() = default;
  // Answers how many characters came out (0, 1, 2; negative for a dead key); on 1 the code is
  // in `code`.
  virtual int Translate(std::uint32_t vkCode, std::uint32_t scanCode, const KeyboardState& state,
                        std::uint32_t layout, std::uint8_t& code) const = 0;
};

}  // namespace equ
