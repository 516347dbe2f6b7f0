#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "KeyboardFakes.h"
#include "SimulatedTimers.h"
#include "platform/KeyboardThreadPorts.h"
#include "scanner/keyboard/KeyboardPorts.h"
#include "scanner/keyboard/ScannerKeyboard.h"

namespace equ::testing {

inline constexpr std::uint32_t kVkReturn = 0x0D;
inline constexpr std::uint32_t kVkShift = 0x10;
inline constexpr std::uint32_t kVkLeftShift = 0xA0;
inline constexpr std::uint32_t kVkF5 = 0x74;

// One timed key event of a script.
struct ScriptedKey {
  std::uint64_t at = 0;
  std::uint32_t message = kMsgKeyDown;
  std::uint32_t vkCode = 0;
  std::uint32_t flags = 0;
};

// Makes the fake hook, simulated timer and recording injector of a channel, and keeps where
// they are (the channel owns them).
class FakeKeyboardThreads : public KeyboardThreads {
 public:
  explicit FakeKeyboardThreads(SimulatedClock& clock) : clock_(clock) {}
  KeyboardThreadPorts CreateForThisThread() override;

  FakeKeyboardHook* hook = nullptr;
  SimulatedTimer* timer = nullptr;
  RecordingKeyInjector* injector = nullptr;

 private:
  SimulatedClock& clock_;
};

// A full set of keyboard ports on fakes and the native adapters: the thread ports from
// `threads`, the US/Russian table translator, libxml2, the process's code page.
TKeyboardPorts FakeKeyboardPorts(std::shared_ptr<FakeKeyboardThreads> threads);

struct Delivery {
  WideString value;
  WideString raw;
  std::uint64_t at = 0;
};

// A keyboard channel on fake ports: scripted key events go in through the fake hook, the
// simulated clock drives its timer, and deliveries and replays are recorded.
class KeyboardRig {
 public:
  SimulatedClock clock;
  FakeKeyboardHook* hook = nullptr;
  SimulatedTimer* timer = nullptr;
  RecordingKeyInjector* injector = nullptr;
  std::unique_ptr<TScannerKeyboard> channel;
  std::vector<Delivery> deliveries;

  // Interval mode unless a prefix and postfix are given; enabled.
  explicit KeyboardRig(std::uint32_t interval = 40);
  void UsePrefixPostfix(const WideString& prefix, const WideString& postfix);

  // Sends one event at its time (timers due before it tick first); true when swallowed. The
  // event's extra information is its sequence number, counted from 1.
  bool Send(const ScriptedKey& key);
  std::vector<bool> Run(const std::vector<ScriptedKey>& script);
  // Lets `milliseconds` pass.
  void Wait(std::uint64_t milliseconds) { clock.AdvanceBy(milliseconds); }
  // Extra information of the replayed events, in replay order.
  std::vector<std::uintptr_t> ReplayedIds() const;

  static std::uint32_t ScanCodeOf(std::uint32_t vkCode) { return (vkCode * 7 + 3) & 0xFF; }

 private:
  std::uintptr_t nextId_ = 1;
};

// Key-downs of `text` `gap` ms apart from `start`, each key-up 3 ms after its key-down;
// capitals and "%" are typed with the left Shift. US layout keys; "\r" is Enter.
std::vector<ScriptedKey> TypeText(std::u16string_view text, std::uint64_t start, std::uint64_t gap);

}  // namespace equ::testing
