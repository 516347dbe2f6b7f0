// Random interleavings of scanner bursts and people typing, with modifiers held across bursts
// and released inside them, keys that type nothing (arrows, F-keys) from both, and a host
// thread that is sometimes busy for seconds. Whatever the timing:
// - the application receives key events in the order they were pressed, each at most once;
// - once input is idle, the application believes no key is down;
// - a key typed alone (no other key near it) reaches the application;
// - a burst with nobody typing near it arrives as exactly one barcode, and no burst twice;
// - the hook is never taken away by the system for not answering in time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "KeyboardRig.h"
#include "scanner/keyboard/KeyState.h"

namespace equ::testing {
namespace {

constexpr std::uint32_t kInterval = 40;
constexpr int kTrialsPerMode = 2000;
constexpr std::uint32_t kVkDown = 0x28;
constexpr std::uint32_t kVkLeftControl = 0xA2;

struct Burst {
  std::uint64_t start = 0;
  std::uint64_t end = 0;
  WideString data;
};

// Who typed a key: a burst's index, or a person.
constexpr int kPerson = -1;

struct Timeline {
  std::vector<ScriptedKey> keys;
  std::vector<int> owners;
  std::vector<Burst> bursts;
  std::uint64_t hostBusyAt = 0;
  std::uint64_t hostBusyFor = 0;

  void Add(const ScriptedKey& key, int owner) {
    keys.push_back(key);
    owners.push_back(owner);
  }
};

std::uint64_t Pick(std::mt19937& random, int low, int high) {
  return static_cast<std::uint64_t>(std::uniform_int_distribution<int>(low, high)(random));
}

// A scanner: prefix (when given), 3 to 10 digits and Enter, 5 ms between key-downs; some
// scanners end with an arrow key.
void AddBurst(std::mt19937& random, std::uint64_t start, bool withPrefix, Timeline& timeline) {
  const int index = static_cast<int>(timeline.bursts.size());
  Burst burst{start, start, u""};
  const int length = static_cast<int>(Pick(random, 3, 10));
  for (int i = 0; i < length; ++i) burst.data += static_cast<char16_t>(u'0' + Pick(random, 0, 9));
  const WideString text = (withPrefix ? u"%" : u"") + burst.data + u"\r";
  for (const ScriptedKey& key : TypeText(text, start, 5)) {
    timeline.Add(key, index);
    burst.end = std::max(burst.end, key.at);
  }
  if (Pick(random, 0, 2) == 0) {
    const std::uint64_t at = burst.end + 2;
    timeline.Add({at, kMsgKeyDown, kVkDown, 0}, index);
    timeline.Add({at + 3, kMsgKeyUp, kVkDown, 0}, index);
    burst.end = at + 3;
  }
  timeline.bursts.push_back(burst);
}

// A person: letters (some with Shift), arrows and F-keys, a held key that repeats, and Shift or
// Ctrl held for a while with nothing typed under it (a release that may fall into a burst); gaps
// on both sides of the interval.
void AddTyping(std::mt19937& random, std::uint64_t start, Timeline& timeline) {
  std::uint64_t at = start;
  const int count = static_cast<int>(Pick(random, 1, 8));
  for (int i = 0; i < count; ++i) {
    const std::uint32_t vk = 'A' + static_cast<std::uint32_t>(Pick(random, 0, 25));
    switch (Pick(random, 0, 11)) {
      case 0:
      case 1: {
        const std::uint32_t key = Pick(random, 0, 1) ? kVkF5 : kVkDown;
        timeline.Add({at, kMsgKeyDown, key, 0}, kPerson);
        timeline.Add({at + 4, kMsgKeyUp, key, 0}, kPerson);
        break;
      }
      case 2:  // held long enough to repeat
        timeline.Add({at, kMsgKeyDown, vk, 0}, kPerson);
        timeline.Add({at + 30, kMsgKeyDown, vk, 0}, kPerson);
        timeline.Add({at + 45, kMsgKeyDown, vk, 0}, kPerson);
        timeline.Add({at + 50, kMsgKeyUp, vk, 0}, kPerson);
        at += 50;
        break;
      case 3:
      case 4:
        timeline.Add({at, kMsgKeyDown, kVkLeftShift, 0}, kPerson);
        timeline.Add({at + 8, kMsgKeyDown, vk, 0}, kPerson);
        timeline.Add({at + 14, kMsgKeyUp, vk, 0}, kPerson);
        timeline.Add({at + 20, kMsgKeyUp, kVkLeftShift, 0}, kPerson);
        at += 20;
        break;
      case 5: {
        const std::uint32_t modifier = Pick(random, 0, 1) ? kVkLeftShift : kVkLeftControl;
        const std::uint64_t held = Pick(random, 100, 400);
        timeline.Add({at, kMsgKeyDown, modifier, 0}, kPerson);
        timeline.Add({at + held, kMsgKeyUp, modifier, 0}, kPerson);
        at += held;
        break;
      }
      default:
        timeline.Add({at, kMsgKeyDown, vk, 0}, kPerson);
        timeline.Add({at + Pick(random, 2, 30), kMsgKeyUp, vk, 0}, kPerson);
    }
    at += Pick(random, 5, 3 * static_cast<int>(kInterval));
  }
}

Timeline RandomTimeline(std::mt19937& random, bool withPrefix) {
  Timeline timeline;
  const int bursts = static_cast<int>(Pick(random, 1, 3));
  for (int i = 0; i < bursts; ++i) AddBurst(random, Pick(random, 0, 1500), withPrefix, timeline);
  const int people = static_cast<int>(Pick(random, 1, 3));
  for (int i = 0; i < people; ++i) AddTyping(random, Pick(random, 0, 1500), timeline);
  // Keys in time order; key-downs and key-ups of one moment keep the order they were made in.
  std::vector<std::size_t> order(timeline.keys.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return timeline.keys[a].at < timeline.keys[b].at;
  });
  Timeline sorted;
  sorted.bursts = timeline.bursts;
  for (std::size_t i : order) sorted.Add(timeline.keys[i], timeline.owners[i]);
  if (Pick(random, 0, 4) == 0) {
    sorted.hostBusyAt = Pick(random, 0, 1500);
    sorted.hostBusyFor = Pick(random, 100, 3000);
  }
  return sorted;
}

struct Totals {
  long trials = 0;
  long events = 0;
  long reachedApplication = 0;
  long barcodes = 0;
  long isolatedBursts = 0;
  long isolatedKeys = 0;
  long busyHosts = 0;
};

class Trial {
 public:
  Trial(const Timeline& timeline, bool withPrefix, Totals& totals)
      : timeline_(timeline), totals_(totals) {
    if (withPrefix) rig_.UsePrefixPostfix(u"%", u"#013");
    rig_.injector->onInject = [this](const KeyStroke& stroke) { OnReplay(stroke); };
  }

  void Run() {
    bool busyStarted = timeline_.hostBusyFor == 0;
    for (std::size_t i = 0; i < timeline_.keys.size(); ++i) {
      const ScriptedKey& key = timeline_.keys[i];
      if (!busyStarted && key.at >= timeline_.hostBusyAt) {
        rig_.WaitUntil(timeline_.hostBusyAt);
        rig_.HostBusyFor(timeline_.hostBusyFor);
        busyStarted = true;
      }
      const std::uintptr_t id = i + 1;
      if (!rig_.Send(key)) reached_.push_back(id);
    }
    rig_.Wait(timeline_.hostBusyFor + 10 * kInterval);
    CheckEnd();
  }

 private:
  void OnReplay(const KeyStroke& stroke) {
    const ScriptedKey& key = timeline_.keys[stroke.dwExtraInfo - 1];
    ASSERT_EQ(stroke.vkCode, key.vkCode);
    ASSERT_EQ(stroke.scanCode, KeyboardRig::ScanCodeOf(key.vkCode));
    ASSERT_EQ((stroke.flags & kKeyStrokeUp) != 0, key.message == kMsgKeyUp);
    reached_.push_back(stroke.dwExtraInfo);
  }

  void CheckEnd() {
    EXPECT_EQ(rig_.channel->HeldEvents().Count(), 0) << "events still held when input is idle";
    EXPECT_TRUE(std::is_sorted(reached_.begin(), reached_.end())) << "out of order";
    EXPECT_EQ(std::adjacent_find(reached_.begin(), reached_.end()), reached_.end())
        << "a key reached the application twice";
    EXPECT_FALSE(rig_.application.AnyKeyDown()) << "the application believes a key is down";
    EXPECT_FALSE(rig_.injector->swallowedReplays.end() !=
                 std::find(rig_.injector->swallowedReplays.begin(),
                           rig_.injector->swallowedReplays.end(), true))
        << "the channel swallowed its own replay";
    EXPECT_EQ(rig_.hook->removedBySystem, 0) << "the system took the hook away";
    EXPECT_TRUE(rig_.deliveredInsideHook.end() ==
                std::find_if(rig_.deliveredInsideHook.begin(), rig_.deliveredInsideHook.end(),
                             [](int depth) { return depth != 0; }))
        << "a barcode reached the host inside the hook procedure";
    CheckIsolatedKeys();
    CheckBursts();
    totals_.events += static_cast<long>(timeline_.keys.size());
    totals_.reachedApplication += static_cast<long>(reached_.size());
    totals_.barcodes += static_cast<long>(rig_.deliveries.size());
    totals_.busyHosts += timeline_.hostBusyFor > 0 ? 1 : 0;
    ++totals_.trials;
  }

  static bool IsKeyDownOf(const ScriptedKey& key) {
    return key.message == kMsgKeyDown && !IsModifierKey(key.vkCode);
  }

  // A person's key-down with no other key-down (modifiers aside) within two intervals.
  void CheckIsolatedKeys() {
    for (std::size_t i = 0; i < timeline_.keys.size(); ++i) {
      const ScriptedKey& key = timeline_.keys[i];
      if (timeline_.owners[i] != kPerson || !IsKeyDownOf(key)) continue;
      const bool alone =
          std::none_of(timeline_.keys.begin(), timeline_.keys.end(), [&](const ScriptedKey& other) {
            return &other != &key && IsKeyDownOf(other) && other.at + 2 * kInterval > key.at &&
                   other.at < key.at + 2 * kInterval;
          });
      if (!alone) continue;
      ++totals_.isolatedKeys;
      EXPECT_NE(std::find(reached_.begin(), reached_.end(), i + 1), reached_.end())
          << "a key typed alone was lost";
    }
  }

  // A burst with no person's key-down near it (a modifier released inside it is allowed) is one
  // barcode; no burst's data arrives more often than bursts carried it.
  void CheckBursts() {
    for (std::size_t b = 0; b < timeline_.bursts.size(); ++b) {
      const Burst& burst = timeline_.bursts[b];
      const auto carried =
          std::count_if(timeline_.bursts.begin(), timeline_.bursts.end(),
                        [&](const Burst& other) { return other.data == burst.data; });
      const auto delivered =
          std::count_if(rig_.deliveries.begin(), rig_.deliveries.end(),
                        [&](const Delivery& delivery) { return delivery.value == burst.data; });
      EXPECT_LE(delivered, carried) << "a barcode arrived twice";
      bool alone = true;
      for (std::size_t i = 0; i < timeline_.keys.size() && alone; ++i) {
        const ScriptedKey& key = timeline_.keys[i];
        const bool near =
            key.at + 3 * kInterval > burst.start && key.at < burst.end + 3 * kInterval;
        const bool ownKey = timeline_.owners[i] == static_cast<int>(b);
        if (near && !ownKey && key.message == kMsgKeyDown) alone = false;
      }
      if (!alone) continue;
      ++totals_.isolatedBursts;
      EXPECT_GE(delivered, 1) << "a burst typed alone was no barcode: " << WideToUtf8(burst.data);
    }
  }

  const Timeline& timeline_;
  Totals& totals_;
  KeyboardRig rig_{kInterval};
  std::vector<std::uintptr_t> reached_;
};

class Interleavings : public ::testing::TestWithParam<bool> {};

TEST_P(Interleavings, NoKeyLostDoubledReorderedOrLeftDown) {
  const bool withPrefix = GetParam();
  std::mt19937 random(withPrefix ? 20261211u : 1211u);
  Totals totals;
  for (int trial = 0; trial < kTrialsPerMode && !HasFailure(); ++trial) {
    const Timeline timeline = RandomTimeline(random, withPrefix);
    Trial(timeline, withPrefix, totals).Run();
  }
  std::cout << (withPrefix ? "prefix/postfix" : "interval") << " mode: " << totals.trials
            << " interleavings (" << totals.busyHosts << " with a busy host), " << totals.events
            << " key events, " << totals.reachedApplication << " reached the application, "
            << totals.barcodes << " barcodes; " << totals.isolatedBursts
            << " lone bursts all recognized, " << totals.isolatedKeys
            << " lone keys all delivered\n";
  EXPECT_GT(totals.barcodes, 0);
  EXPECT_GT(totals.isolatedBursts, 0);
  EXPECT_GT(totals.isolatedKeys, 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, Interleavings, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& mode) {
                           return std::string(mode.param ? "PrefixPostfix" : "Interval");
                         });

}  // namespace
}  // namespace equ::testing
