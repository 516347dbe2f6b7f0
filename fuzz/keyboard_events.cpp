// Key event sequences into the keyboard-wedge recognizer: keys, gaps, a busy host and the
// settings from the bytes, on the keyboard tests' fakes (the hook as the system runs it, replays
// re-entering it, the timer on a simulated clock, the application's key-state model). Checks
// the fate of every key event, not only that nothing crashes: the application receives key
// events in the order they were pressed, each at most once, its key-ups with their key-downs,
// and believes no key is down once the person has let go of every key; a key typed alone
// reaches it; nothing stays held; the channel never swallows its own replay, never loses the
// hook to the system, and never hands a barcode to the host inside the hook procedure.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <vector>

#include "FuzzInput.h"
#include "FuzzPorts.h"
#include "KeyboardRig.h"
#include "scanner/keyboard/KeyState.h"

namespace {

using equ::KeyStroke;
using equ::fuzz::FuzzInput;
using equ::testing::KeyboardRig;
using equ::testing::ScriptedKey;

// Keys a scanner and a person press: digits, letters, Enter, Space, both Shifts, Ctrl, Alt,
// F5, an arrow.
constexpr std::uint32_t kKeys[] = {'0',  '1',  '2',  '3',  '4',  '5',  '6',  '7',  '8',
                                   '9',  'A',  'B',  'Q',  'Z',  0x0D, 0x20, 0x10, 0xA0,
                                   0xA1, 0x11, 0xA2, 0x12, 0xA4, 0x74, 0x25};
constexpr std::size_t kMostEvents = 400;

[[noreturn]] void Fail(const char* what, std::size_t event) {
  std::fprintf(stderr, "keyboard_events: %s (event %zu)\n", what, event);
  std::abort();
}

class Trial {
 public:
  explicit Trial(FuzzInput& in)
      : in_(in), interval_(10 + static_cast<std::uint32_t>(in.Below(120))), rig_(interval_) {
    if (in_.Bool()) rig_.UsePrefixPostfix(in_.Bool() ? u"%" : u"#002", u"#013");
    rig_.channel->SetMinDataLen(static_cast<std::uint8_t>(in_.Below(12)));
    rig_.channel->SetUpperCaseData(in_.Bool());
    rig_.channel->SetIgnoreModificators(in_.Bool());
    rig_.channel->SetDeleteCRLFPostfix(in_.Bool());
    rig_.channel->SetKeyboardLayout(in_.Bool() ? 1049 : 1033);
    rig_.channel->Enable();
    rig_.injector->onInject = [this](const KeyStroke& stroke) { OnReplay(stroke); };
  }

  void Run() {
    std::uint64_t at = 0;
    while (!in_.Empty() && keys_.size() < kMostEvents) {
      const std::uint8_t gap = in_.Byte();
      at += gap < 200 ? gap % 16 : gap;  // mostly a scanner's pace, sometimes a person's
      const std::uint8_t what = in_.Byte();
      if (what == 0xFF) {
        rig_.WaitUntil(at);
        rig_.HostBusyFor(static_cast<std::uint64_t>(in_.Byte()) * 10);
        continue;
      }
      ScriptedKey key{at, (what & 0x80) ? equ::kMsgKeyUp : equ::kMsgKeyDown,
                      kKeys[(what & 0x7F) % std::size(kKeys)], 0};
      if ((what & 0x7F) >= 120) key.flags |= equ::kRawKeyExtended;
      Send(key);
    }
    // The person lets go of every key still down.
    for (std::uint32_t vk : std::set<std::uint32_t>(down_)) {
      at += 5;
      Send(ScriptedKey{at, equ::kMsgKeyUp, vk, 0});
    }
    rig_.Wait(5000);
    CheckEnd();
  }

 private:
  void Send(const ScriptedKey& key) {
    keys_.push_back(key);
    if (key.message == equ::kMsgKeyDown) {
      down_.insert(key.vkCode);
    } else {
      down_.erase(key.vkCode);
    }
    if (!rig_.Send(key)) Reaches(keys_.size());
  }

  void OnReplay(const KeyStroke& stroke) {
    if (stroke.dwExtraInfo == 0 || stroke.dwExtraInfo > keys_.size()) {
      Fail("a replay of no key", stroke.dwExtraInfo);
    }
    const ScriptedKey& key = keys_[stroke.dwExtraInfo - 1];
    if (stroke.vkCode != key.vkCode ||
        ((stroke.flags & equ::kKeyStrokeUp) != 0) != (key.message == equ::kMsgKeyUp)) {
      Fail("a replay differs from its key", stroke.dwExtraInfo);
    }
    Reaches(stroke.dwExtraInfo);
  }

  void Reaches(std::size_t id) {
    if (!reached_.empty() && reached_.back() >= id) {
      Fail("the application gets a key out of order or twice", id);
    }
    reached_.push_back(id);
  }

  static bool IsKeyDownOf(const ScriptedKey& key) {
    return key.message == equ::kMsgKeyDown && !equ::IsModifierKey(key.vkCode);
  }

  void CheckEnd() {
    if (rig_.channel->HeldEvents().Count() != 0) Fail("events still held when input is idle", 0);
    if (rig_.application.AnyKeyDown()) Fail("the application believes a key is down", 0);
    if (std::find(rig_.injector->swallowedReplays.begin(), rig_.injector->swallowedReplays.end(),
                  true) != rig_.injector->swallowedReplays.end()) {
      Fail("the channel swallowed its own replay", 0);
    }
    if (rig_.hook->removedBySystem != 0) Fail("the system took the hook away", 0);
    for (int depth : rig_.deliveredInsideHook) {
      if (depth != 0) Fail("a barcode reached the host inside the hook procedure", 0);
    }
    // A key-down with no other key-down (modifiers aside) within two intervals is a person's.
    for (std::size_t i = 0; i < keys_.size(); ++i) {
      if (!IsKeyDownOf(keys_[i])) continue;
      const bool alone = std::none_of(keys_.begin(), keys_.end(), [&](const ScriptedKey& other) {
        return &other != &keys_[i] && IsKeyDownOf(other) &&
               other.at + 2 * interval_ > keys_[i].at && other.at < keys_[i].at + 2 * interval_;
      });
      if (alone && !std::binary_search(reached_.begin(), reached_.end(), i + 1)) {
        Fail("a key typed alone was lost", i + 1);
      }
    }
  }

  FuzzInput& in_;
  std::uint32_t interval_;
  KeyboardRig rig_;
  std::vector<ScriptedKey> keys_;
  std::set<std::uint32_t> down_;
  std::vector<std::size_t> reached_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static equ::fuzz::FuzzPlatform platform;
  FuzzInput in(data, size);
  Trial(in).Run();
  return 0;
}
