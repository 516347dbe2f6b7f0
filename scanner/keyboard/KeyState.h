#pragma once

#include <cstdint>

#include "platform/KeyTranslator.h"

namespace equ {

// Shift, Control and Alt in their generic (16 to 18) and left/right (160 to 165) forms.
bool IsModifierKey(std::uint32_t vkCode);

// Applies one key message to the recognizer's private key state: a key-down sets the down bit
// and flips the toggle bit, a key-up clears the down bit; a left or right modifier is mirrored
// onto its generic key. With ignoreModifiers the modifiers leave the state untouched.
void UpdateKeyState(KeyboardState& state, std::uint32_t message, std::uint32_t vkCode,
                    bool ignoreModifiers);

}  // namespace equ
