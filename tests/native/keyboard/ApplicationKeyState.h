#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace equ::testing {

// What the application with the focus believes about the keyboard, built only from the key
// events that reach it (passed by the hook, replayed, or let through by the system): a key-down
// marks its key down, its key-up marks it up. Shift, Ctrl and Alt count in their generic and
// left/right forms alike, as GetAsyncKeyState reads them.
class ApplicationKeyState {
 public:
  // One key event that reached the application.
  void Receive(std::uint32_t vkCode, bool keyUp);
  void Clear();

  bool AnyKeyDown() const;
  bool IsDown(std::uint32_t vkCode) const;
  // The virtual keys of the key-downs received, in order.
  const std::vector<std::uint32_t>& KeysDown() const { return keysDown_; }
  // The text the key-downs typed, by the US layout under the application's own Shift state:
  // letters, digits, "%" (Shift+5), Enter as "\r", space; other keys type nothing.
  const std::u16string& Text() const { return text_; }

 private:
  std::array<bool, 256> down_{};
  std::vector<std::uint32_t> keysDown_;
  std::u16string text_;
};

}  // namespace equ::testing
