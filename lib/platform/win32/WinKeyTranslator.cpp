#include "WinKeyTranslator.h"

#include <windows.h>

namespace equ::win32 {

namespace {
constexpr UINT kNoMenuActive = 0;
}

int WinKeyTranslator::Translate(std::uint32_t vkCode, std::uint32_t scanCode,
                                const KeyboardState& state, std::uint32_t layout,
                                std::uint8_t& code) const {
  WORD characters = 0;
  const HKL keyboardLayout = reinterpret_cast<HKL>(static_cast<std::uintptr_t>(layout));
  const int count =
      ToAsciiEx(vkCode, scanCode, state.data(), &characters, kNoMenuActive, keyboardLayout);
  if (count == 1) code = static_cast<std::uint8_t>(characters & 0xFF);
  return count;
}

}  // namespace equ::win32
