// Key event sequences into the keyboard-wedge recognizer: keys, gaps and settings from the
// bytes, the replayed keys fed back through the hook as the system feeds them, the timer on a
// simulated clock. Checks the fate of every event, not only that nothing crashes: each ends
// exactly once (reaching the application, passed or replayed, or inside a delivered barcode,
// or swallowed by the pause after a prefix/postfix barcode), the application gets its keys in
// the order they were typed, no key is held once the timer has run out, and (kCheckKeyState)
// no key is left down in the application's view and none reaches it without its key-down.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <set>
#include <vector>

#include "FuzzInput.h"
#include "FuzzPorts.h"
#include "KeyboardRig.h"

namespace {

using equ::KeyStroke;
using equ::RawKeyEvent;
using equ::WideString;
using equ::fuzz::FuzzInput;
using equ::testing::KeyboardRig;
using equ::testing::ScriptedKey;

// The recognizer leaves a modifier down in the application when its key-down passed and its
// key-up went into a barcode (or the reverse); until it mends that, the target checks only
// the fates and the order.
constexpr bool kCheckKeyState = false;

// Keys a scanner and a person press: digits, letters, Enter, Space, both Shifts, Ctrl, Alt,
// F5, an arrow.
constexpr std::uint32_t kKeys[] = {'0',  '1',  '2',  '3',  '4',  '5',  '6',  '7',  '8',
                                   '9',  'A',  'B',  'Q',  'Z',  0x0D, 0x20, 0x10, 0xA0,
                                   0xA1, 0x11, 0xA2, 0x12, 0xA4, 0x74, 0x25};

[[noreturn]] void Fail(const char* what, std::uintptr_t id) {
  std::fprintf(stderr, "keyboard_events: %s (event %zu)\n", what, static_cast<std::size_t>(id));
  std::abort();
}

class Trial {
 public:
  explicit Trial(FuzzInput& in) : in_(in), rig_(10 + static_cast<std::uint32_t>(in.Below(120))) {
    withPrefix_ = in_.Bool();
    if (withPrefix_) rig_.UsePrefixPostfix(in_.Bool() ? u"%" : u"#002", u"#013");
    rig_.channel->SetMinDataLen(static_cast<std::uint8_t>(in_.Below(12)));
    rig_.channel->SetUpperCaseData(in_.Bool());
    rig_.channel->SetIgnoreModificators(in_.Bool());
    rig_.channel->SetDeleteCRLFPostfix(in_.Bool());
    rig_.channel->SetKeyboardLayout(in_.Bool() ? 1049 : 1033);
    rig_.channel->Enable();
    rig_.injector->onInject = [this](const KeyStroke& stroke) { OnReplay(stroke); };
    rig_.channel->SetOnGetData([this](const WideString&, const WideString&) { OnBarcode(); });
  }

  void Run() {
    std::uint64_t at = 0;
    while (!in_.Empty() && keys_.size() < 400) {
      const std::uint8_t gap = in_.Byte();
      at += gap < 200 ? gap % 16 : gap;  // mostly a scanner's pace, sometimes a person's
      const std::uint8_t what = in_.Byte();
      ScriptedKey key{at, (what & 0x80) ? equ::kMsgKeyUp : equ::kMsgKeyDown,
                      kKeys[(what & 0x7F) % std::size(kKeys)], 0};
      if ((what & 0x7F) >= 120) key.flags |= equ::kRawKeyExtended;
      Send(key);
    }
    rig_.Wait(1000);
    FeedBackReplays();
    CheckEnd();
  }

 private:
  void Send(const ScriptedKey& key) {
    keys_.push_back(key);
    const std::uintptr_t id = keys_.size();
    if (key.message == equ::kMsgKeyDown) typedDown_.insert(key.vkCode);
    rig_.clock.AdvanceTo(key.at);
    FeedBackReplays();
    const bool pausedBefore = rig_.channel->IsPaused();
    const bool swallowed = rig_.Send(key);
    if (!swallowed) {
      ReachesApplication(id);
    } else if (pausedBefore) {
      Ends(id);
    } else {
      held_.push_back(id);
    }
    FeedBackReplays();
    if (static_cast<std::size_t>(rig_.channel->HeldEvents().Count()) != held_.size()) {
      Fail("the recognizer holds other events than it swallowed", id);
    }
  }

  void OnReplay(const KeyStroke& stroke) {
    if (held_.empty() || stroke.dwExtraInfo != held_.front()) Fail("replayed out of order", 0);
    held_.pop_front();
    const ScriptedKey& key = keys_[stroke.dwExtraInfo - 1];
    if (stroke.vkCode != key.vkCode ||
        ((stroke.flags & equ::kKeyStrokeUp) != 0) != (key.message == equ::kMsgKeyUp)) {
      Fail("a replay differs from its key", stroke.dwExtraInfo);
    }
    pendingReplays_.push_back(stroke);
    ReachesApplication(stroke.dwExtraInfo);
  }

  void OnBarcode() {
    for (std::uintptr_t id : held_) Ends(id);
    held_.clear();
  }

  // Replayed keys come back through the hook marked as injected, before the next key.
  void FeedBackReplays() {
    while (!pendingReplays_.empty()) {
      std::vector<KeyStroke> replays;
      replays.swap(pendingReplays_);
      for (const KeyStroke& stroke : replays) {
        const bool up = (stroke.flags & equ::kKeyStrokeUp) != 0;
        RawKeyEvent event{stroke.vkCode, stroke.scanCode,
                          equ::kRawKeyInjected | (up ? equ::kRawKeyUp : 0u), 0, stroke.dwExtraInfo};
        if (rig_.hook->Send(up ? equ::kMsgKeyUp : equ::kMsgKeyDown, event)) {
          Fail("a replayed key was swallowed", stroke.dwExtraInfo);
        }
      }
    }
  }

  void ReachesApplication(std::uintptr_t id) {
    if (!appStream_.empty() && appStream_.back() >= id) {
      Fail("the application gets a key out of order or twice", id);
    }
    appStream_.push_back(id);
    Ends(id);
    const ScriptedKey& key = keys_[id - 1];
    if (key.message == equ::kMsgKeyDown) {
      appDown_.insert(key.vkCode);
    } else if (appDown_.erase(key.vkCode) == 0 && kCheckKeyState && typedDown_.count(key.vkCode)) {
      Fail("a key-up reaches the application without its key-down", id);
    }
  }

  void Ends(std::uintptr_t id) {
    if (!fates_.insert(id).second) Fail("an event has two fates", id);
  }

  void CheckEnd() {
    if (!held_.empty()) Fail("events still held after the timer ran out", held_.front());
    if (fates_.size() != keys_.size()) Fail("an event was lost", 0);
    if (!kCheckKeyState) return;
    // Keys the person still holds at the end are down for the application too, rightly.
    std::set<std::uint32_t> stillHeld;
    for (const ScriptedKey& key : keys_) {
      if (key.message == equ::kMsgKeyDown)
        stillHeld.insert(key.vkCode);
      else
        stillHeld.erase(key.vkCode);
    }
    for (std::uint32_t vk : appDown_) {
      if (stillHeld.count(vk) == 0) {
        std::fprintf(stderr, "keyboard_events: key %#x is left down in the application\n", vk);
        std::abort();
      }
    }
  }

  FuzzInput& in_;
  KeyboardRig rig_;
  bool withPrefix_ = false;
  std::vector<ScriptedKey> keys_;
  std::deque<std::uintptr_t> held_;
  std::vector<std::uintptr_t> appStream_;
  std::vector<KeyStroke> pendingReplays_;
  std::set<std::uintptr_t> fates_;
  std::set<std::uint32_t> appDown_;
  std::set<std::uint32_t> typedDown_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static equ::fuzz::FuzzPlatform platform;
  FuzzInput in(data, size);
  Trial(in).Run();
  return 0;
}
