#include "scanner/keyboard/KeyState.h"

#include "platform/KeyboardHook.h"

namespace equ {

namespace {

constexpr std::uint32_t kVkShift = 16;
constexpr std::uint32_t kVkMenu = 18;
constexpr std::uint32_t kVkLeftShift = 160;
constexpr std::uint32_t kVkRightMenu = 165;

// The generic key of a left or right modifier; 0 for any other key.
std::uint32_t GenericModifier(std::uint32_t vkCode) {
  if (vkCode < kVkLeftShift || vkCode > kVkRightMenu) return 0;
  return kVkShift + (vkCode - kVkLeftShift) / 2;
}

bool ApplyKeyMessage(KeyboardState& state, std::uint32_t message, std::uint32_t vkCode) {
  std::uint8_t& key = state[vkCode];
  switch (message) {
    case kMsgKeyDown:
    case kMsgSysKeyDown:
      key = static_cast<std::uint8_t>((key ^ kKeyToggleBit) | kKeyDownBit);
      return true;
    case kMsgKeyUp:
    case kMsgSysKeyUp:
      key = static_cast<std::uint8_t>(key & ~kKeyDownBit);
      return true;
    default:
      return false;
  }
}

}  // namespace

bool IsModifierKey(std::uint32_t vkCode) {
  return (vkCode >= kVkShift && vkCode <= kVkMenu) ||
         (vkCode >= kVkLeftShift && vkCode <= kVkRightMenu);
}

void UpdateKeyState(KeyboardState& state, std::uint32_t message, std::uint32_t vkCode,
                    bool ignoreModifiers) {
  // Virtual-key codes are bytes; anything wider is no key of the state.
  if (vkCode >= state.size()) return;
  if (ignoreModifiers && IsModifierKey(vkCode)) return;
  if (!ApplyKeyMessage(state, message, vkCode)) return;
  if (const std::uint32_t generic = GenericModifier(vkCode)) {
    ApplyKeyMessage(state, message, generic);
  }
}

}  // namespace equ
