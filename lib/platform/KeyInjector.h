#pragma once

#include <cstdint>

namespace equ {

// Bits of KeyStroke::flags (those of keybd_event).
inline constexpr std::uint32_t kKeyStrokeExtended = 1;
inline constexpr std::uint32_t kKeyStrokeUp = 2;

// A key event in the form it is put back into the input stream.
struct KeyStroke {
  std::uint32_t vkCode = 0;
  std::uint32_t scanCode = 0;
  std::uint32_t flags = 0;
  std::uintptr_t dwExtraInfo = 0;
};

// Puts key events into the system's input stream as synthesized (injected) input, so that a
// keyboard hook sees them again with its injected flag set.
class KeyInjector {
 public:
  virtual ~KeyInjector() = default;
  virtual void Inject(const KeyStroke& stroke) = 0;
};

}  // namespace equ
