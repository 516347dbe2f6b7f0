#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "KeyboardFakes.h"
#include "SimulatedTimers.h"
#include "platform/KeyboardThreadPorts.h"
#include "platform/MessageWindow.h"
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

// Identities of the threads in the fake world.
inline constexpr int kHostThread = 0;
inline constexpr int kChannelThread = 1;

// The channel's threads and their ports on fakes. A started thread runs its work at once on the
// caller's (the simulated clock is the only time there is), but the fakes know which thread they
// stand for: a hook installed while such work runs belongs to the channel's thread, any other to
// the host's. The hook, timers and injector live here across enablings, so tests can count and
// look at them; each thread gets ports that lead to them and let them go with the thread.
class FakeKeyboardThreads : public KeyboardThreads {
 public:
  explicit FakeKeyboardThreads(SimulatedClock& clock);
  KeyboardThreadPorts CreateForThisThread() override;
  PortResult<std::unique_ptr<KeyboardThread>> StartThread() override;

  // Null until the first thread ports were made.
  FakeKeyboardHook* hook = nullptr;
  SimulatedTimer* timer = nullptr;
  RecordingKeyInjector* injector = nullptr;
  SimulatedTimer* checkTimer = nullptr;
  int threadsStarted = 0;
  int threadsRunning = 0;
  int portsMade = 0;
  bool refuseThread = false;
  int currentThread = kHostThread;
  std::uint64_t hostBusyUntil = 0;

  FakeKeyboardHook hookFake;
  SimulatedTimer timerFake;
  SimulatedTimer checkTimerFake;
  RecordingKeyInjector injectorFake;

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
//
// Barcodes reach `deliveries` when the host thread serves its messages: after each event the
// rig sends, unless the host is busy (HostBusyFor). Every key that gets past the hook reaches
// `application`.
class KeyboardRig {
 public:
  SimulatedClock clock;
  ApplicationKeyState application;
  std::shared_ptr<FakeKeyboardThreads> threads;
  std::shared_ptr<MessageWindows> hostWindows;
  FakeKeyboardHook* hook = nullptr;
  SimulatedTimer* timer = nullptr;
  RecordingKeyInjector* injector = nullptr;
  std::unique_ptr<TScannerKeyboard> channel;
  std::vector<Delivery> deliveries;
  // Hook procedures in progress whenever a barcode reached OnGetData (none, when delivery
  // comes after the hook has returned).
  std::vector<int> deliveredInsideHook;

  // Interval mode unless a prefix and postfix are given; enabled.
  explicit KeyboardRig(std::uint32_t interval = 40);
  void UsePrefixPostfix(const WideString& prefix, const WideString& postfix);

  // Sends one event at its time (timers due before it tick first); true when swallowed. The
  // event's extra information is its sequence number, counted from 1.
  bool Send(const ScriptedKey& key);
  std::vector<bool> Run(const std::vector<ScriptedKey>& script);
  // Lets `milliseconds` pass; the host serves its messages unless it is busy.
  void Wait(std::uint64_t milliseconds);
  void WaitUntil(std::uint64_t time) { Wait(time > clock.Now() ? time - clock.Now() : 0); }
  // The host thread serves the messages waiting for it (no-op while busy).
  void ServeHost();
  // The host thread works without serving messages until `milliseconds` from now.
  void HostBusyFor(std::uint64_t milliseconds);
  bool HostBusy() const { return clock.Now() < threads->hostBusyUntil; }
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
