#pragma once

#include <cstdint>
#include <functional>

#include "platform/PortResult.h"

namespace equ {

// Message kinds of a low-level key event.
inline constexpr std::uint32_t kMsgKeyDown = 256;
inline constexpr std::uint32_t kMsgKeyUp = 257;
inline constexpr std::uint32_t kMsgSysKeyDown = 260;
inline constexpr std::uint32_t kMsgSysKeyUp = 261;

// Bits of RawKeyEvent::flags.
inline constexpr std::uint32_t kRawKeyExtended = 1;
inline constexpr std::uint32_t kRawKeyInjected = 16;
inline constexpr std::uint32_t kRawKeyUp = 128;

// One key event of the desktop as the low-level hook reports it (KBDLLHOOKSTRUCT). The extra
// information is pointer-sized, as in the 64-bit record, so a replay gives it back whole.
struct RawKeyEvent {
  std::uint32_t vkCode = 0;
  std::uint32_t scanCode = 0;
  std::uint32_t flags = 0;
  std::uint32_t time = 0;
  std::uintptr_t dwExtraInfo = 0;
};

// A desktop-wide keyboard hook: every key event of the desktop reaches the handler before any
// application sees it, on the thread that installed the hook. The handler answers true to
// swallow the event, false to pass it on.
class KeyboardHook {
 public:
  using Handler = std::function<bool(std::uint32_t message, const RawKeyEvent& event)>;
  virtual ~KeyboardHook() = default;
  // A failure when the platform refuses the hook; nothing arrives then.
  virtual PortStatus Install(Handler handler) = 0;
  virtual void Remove() = 0;
  virtual bool IsInstalled() const = 0;
  // Installs a fresh hook in place of the installed one, on the installing thread. The system
  // never tells when it took a hook away (Windows removes a low-level hook whose thread did not
  // answer in time); renewing brings it back either way, and answers whether the old hook was
  // still in place (false: it had been removed behind our back). A failure when the platform
  // refuses the new hook; the old one is then kept.
  virtual PortResult<bool> Renew() = 0;
};

}  // namespace equ
