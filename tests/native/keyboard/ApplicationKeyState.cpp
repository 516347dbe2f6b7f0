#include "ApplicationKeyState.h"

#include <algorithm>

namespace equ::testing {

namespace {

constexpr std::uint32_t kShift = 0x10;
constexpr std::uint32_t kLeftShift = 0xA0;
constexpr std::uint32_t kRightMenu = 0xA5;

// Left and right Shift, Ctrl and Alt fold onto their generic keys.
std::uint32_t GenericKey(std::uint32_t vkCode) {
  if (vkCode >= kLeftShift && vkCode <= kRightMenu) return kShift + (vkCode - kLeftShift) / 2;
  return vkCode & 0xFF;
}

char16_t CharacterOf(std::uint32_t vkCode, bool shift) {
  if (vkCode >= 'A' && vkCode <= 'Z') {
    return static_cast<char16_t>(shift ? vkCode : vkCode - 'A' + 'a');
  }
  if (vkCode == '5' && shift) return u'%';
  if (vkCode >= '0' && vkCode <= '9') return static_cast<char16_t>(vkCode);
  if (vkCode == 0x0D) return u'\r';
  if (vkCode == 0x20) return u' ';
  return 0;
}

}  // namespace

void ApplicationKeyState::Receive(std::uint32_t vkCode, bool keyUp) {
  const std::uint32_t key = GenericKey(vkCode);
  if (keyUp) {
    down_[key] = false;
    return;
  }
  down_[key] = true;
  keysDown_.push_back(vkCode);
  if (const char16_t c = CharacterOf(key, down_[kShift])) text_ += c;
}

void ApplicationKeyState::Clear() {
  down_.fill(false);
  keysDown_.clear();
  text_.clear();
}

bool ApplicationKeyState::AnyKeyDown() const {
  return std::any_of(down_.begin(), down_.end(), [](bool down) { return down; });
}

bool ApplicationKeyState::IsDown(std::uint32_t vkCode) const {
  return down_[GenericKey(vkCode)];
}

}  // namespace equ::testing
