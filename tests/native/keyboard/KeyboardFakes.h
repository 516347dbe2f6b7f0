#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "ApplicationKeyState.h"
#include "SimulatedTimers.h"
#include "platform/KeyInjector.h"
#include "platform/KeyboardHook.h"
#include "platform/KeyboardThreadPorts.h"

namespace equ::testing {

// Stands in for the desktop's keyboard hook, with the system's behaviour where it matters: a
// test sends events through it as the system would; an event the handler passes (or every event
// when no hook is in place) reaches the application's key-state model. The system waits
// `timeoutMs` for the hook: when the installing thread is busy (ownerBusy answers true), or the
// handler takes longer on the simulated clock, the event reaches the application unhooked and
// the hook is removed without a word, as Windows does; IsInstalled still answers true then,
// since the owner is never told.
class FakeKeyboardHook : public KeyboardHook {
 public:
  bool refuse = false;
  bool refuseRenewal = false;
  int installs = 0;
  int removals = 0;
  int renewals = 0;
  int removedBySystem = 0;
  // Key events that the system let by unhooked because the hook did not answer in time.
  int passedUnhooked = 0;
  std::uint64_t timeoutMs = 1000;
  SimulatedClock* clock = nullptr;
  ApplicationKeyState* application = nullptr;
  // Whether the thread that installed the hook cannot answer now; the answer is asked of the
  // installing thread's identity.
  std::function<bool(int thread)> threadBusy;
  // The identity of the thread that calls Install (set by the fake threads).
  std::function<int()> currentThread;
  // Depth of handler calls in progress (replays re-enter inside the handler).
  int insideHandler = 0;

  PortStatus Install(Handler handler) override {
    if (refuse) return PortFailure(u"Перехват отклонён");
    handler_ = std::move(handler);
    installed_ = true;
    removed_ = false;
    owner_ = currentThread ? currentThread() : 0;
    ++installs;
    return {};
  }
  void Remove() override {
    handler_ = nullptr;
    installed_ = false;
    removed_ = false;
    ++removals;
  }
  bool IsInstalled() const override { return installed_; }
  PortResult<bool> Renew() override {
    if (!installed_) return PortFailure(u"Перехват не установлен");
    if (refuseRenewal) return PortFailure(u"Перехват отклонён");
    ++renewals;
    const bool wasInPlace = !removed_;
    removed_ = false;
    return wasInPlace;
  }

  // The system takes the hook away (as after a time-out).
  void RemoveBySystem() {
    if (!installed_ || removed_) return;
    removed_ = true;
    ++removedBySystem;
  }
  bool Working() const { return installed_ && !removed_; }

  // One key event of the desktop; true when the hook swallowed it.
  bool Send(std::uint32_t message, const RawKeyEvent& event) {
    if (!Working()) return Pass(message, event);
    if (threadBusy && threadBusy(owner_)) {
      RemoveBySystem();
      ++passedUnhooked;
      return Pass(message, event);
    }
    const std::uint64_t start = clock ? clock->Now() : 0;
    // A copy: the handler may remove the hook or free its owner.
    const Handler handler = handler_;
    ++insideHandler;
    const bool swallowed = handler(message, event);
    --insideHandler;
    if (clock && clock->Now() - start > timeoutMs) {
      RemoveBySystem();
      ++passedUnhooked;
      return Pass(message, event);
    }
    return swallowed ? true : Pass(message, event);
  }

 private:
  bool Pass(std::uint32_t message, const RawKeyEvent& event) {
    if (application) {
      application->Receive(event.vkCode, message == kMsgKeyUp || message == kMsgSysKeyUp);
    }
    return false;
  }

  Handler handler_;
  bool installed_ = false;
  bool removed_ = false;
  int owner_ = 0;
};

// Records every key put back into the input stream, in order, and sends it through the hook at
// once, inside the call, marked as injected: keybd_event re-enters the injecting thread's own
// low-level hook synchronously.
class RecordingKeyInjector : public KeyInjector {
 public:
  std::vector<KeyStroke> injected;
  std::function<void(const KeyStroke&)> onInject;
  FakeKeyboardHook* reenters = nullptr;
  // What the hook answered for each re-entered replay (true: swallowed, which loses the key).
  std::vector<bool> swallowedReplays;

  void Inject(const KeyStroke& stroke) override {
    injected.push_back(stroke);
    if (onInject) onInject(stroke);
    if (!reenters) return;
    const bool up = (stroke.flags & kKeyStrokeUp) != 0;
    RawKeyEvent event;
    event.vkCode = stroke.vkCode;
    event.scanCode = stroke.scanCode;
    event.flags = kRawKeyInjected | (up ? kRawKeyUp : 0u) |
                  ((stroke.flags & kKeyStrokeExtended) ? kRawKeyExtended : 0u);
    event.dwExtraInfo = stroke.dwExtraInfo;
    swallowedReplays.push_back(reenters->Send(up ? kMsgKeyUp : kMsgKeyDown, event));
  }
};

}  // namespace equ::testing
