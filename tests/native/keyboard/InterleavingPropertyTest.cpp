// Random interleavings of scanner bursts and a person's typing: whatever the timing, no key
// event is lost, doubled or reordered. Every event that is not injected ends exactly once as
// passed at once, replayed, part of a delivered barcode, or swallowed by the pause after a
// prefix/postfix barcode; the application receives the passed and replayed ones in the order
// they were typed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <iostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "KeyboardRig.h"

namespace equ::testing {
namespace {

constexpr std::uint32_t kInterval = 40;
constexpr int kTrialsPerMode = 2000;

struct Burst {
  std::uint64_t start = 0;
  std::uint64_t end = 0;
  WideString data;
};

struct Timeline {
  std::vector<ScriptedKey> keys;
  std::vector<Burst> bursts;
};

bool TypesCharacter(std::uint32_t vk) {
  return (vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z') || vk == kVkReturn || vk == '5';
}

// A scanner: prefix (when given), 3 to 10 digits and Enter, 5 ms between key-downs.
Burst AddBurst(std::mt19937& random, std::uint64_t start, bool withPrefix,
               std::vector<ScriptedKey>& keys) {
  Burst burst{start, start, u""};
  WideString text = withPrefix ? u"%" : u"";
  const int length = std::uniform_int_distribution<int>(3, 10)(random);
  for (int i = 0; i < length; ++i) {
    burst.data += static_cast<char16_t>(u'0' + std::uniform_int_distribution<int>(0, 9)(random));
  }
  text += burst.data + u"\r";
  for (const ScriptedKey& key : TypeText(text, start, 5)) {
    keys.push_back(key);
    burst.end = std::max(burst.end, key.at);
  }
  return burst;
}

// A person: letters (some with Shift), an arrow-like key that types nothing, a held key that
// repeats; gaps on both sides of the interval.
void AddTyping(std::mt19937& random, std::uint64_t start, std::vector<ScriptedKey>& keys) {
  std::uniform_int_distribution<int> gap(5, 3 * static_cast<int>(kInterval));
  std::uniform_int_distribution<int> kind(0, 9);
  std::uint64_t at = start;
  const int count = std::uniform_int_distribution<int>(1, 8)(random);
  for (int i = 0; i < count; ++i) {
    const std::uint32_t vk =
        'A' + static_cast<std::uint32_t>(std::uniform_int_distribution<int>(0, 25)(random));
    const int k = kind(random);
    if (k == 0) {
      keys.push_back({at, kMsgKeyDown, kVkF5, 0});
      keys.push_back({at + 4, kMsgKeyUp, kVkF5, 0});
    } else if (k == 1) {  // held long enough to repeat
      keys.push_back({at, kMsgKeyDown, vk, 0});
      keys.push_back({at + 30, kMsgKeyDown, vk, 0});
      keys.push_back({at + 45, kMsgKeyDown, vk, 0});
      keys.push_back({at + 50, kMsgKeyUp, vk, 0});
      at += 50;
    } else if (k <= 3) {
      keys.push_back({at, kMsgKeyDown, kVkLeftShift, 0});
      keys.push_back({at + 8, kMsgKeyDown, vk, 0});
      keys.push_back({at + 14, kMsgKeyUp, vk, 0});
      keys.push_back({at + 20, kMsgKeyUp, kVkLeftShift, 0});
      at += 20;
    } else {
      keys.push_back({at, kMsgKeyDown, vk, 0});
      keys.push_back({at + static_cast<std::uint64_t>(gap(random) / 4), kMsgKeyUp, vk, 0});
    }
    at += static_cast<std::uint64_t>(gap(random));
  }
}

Timeline RandomTimeline(std::mt19937& random, bool withPrefix) {
  Timeline timeline;
  std::uniform_int_distribution<int> start(0, 1500);
  const int bursts = std::uniform_int_distribution<int>(1, 3)(random);
  for (int i = 0; i < bursts; ++i) {
    timeline.bursts.push_back(
        AddBurst(random, static_cast<std::uint64_t>(start(random)), withPrefix, timeline.keys));
  }
  const int people = std::uniform_int_distribution<int>(1, 3)(random);
  for (int i = 0; i < people; ++i) {
    AddTyping(random, static_cast<std::uint64_t>(start(random)), timeline.keys);
  }
  std::stable_sort(timeline.keys.begin(), timeline.keys.end(),
                   [](const ScriptedKey& a, const ScriptedKey& b) { return a.at < b.at; });
  return timeline;
}

struct Totals {
  long trials = 0;
  long events = 0;
  long passed = 0;
  long replayed = 0;
  long inBarcodes = 0;
  long pauseSwallowed = 0;
  long barcodes = 0;
  long isolatedBursts = 0;
};

// Runs one timeline and checks every event's fate.
class Trial {
 public:
  Trial(const Timeline& timeline, bool withPrefix, Totals& totals)
      : timeline_(timeline), withPrefix_(withPrefix), totals_(totals) {
    if (withPrefix) rig_.UsePrefixPostfix(u"%", u"#013");
    rig_.injector->onInject = [this](const KeyStroke& stroke) { OnReplay(stroke); };
    rig_.channel->SetOnGetData(
        [this](const WideString& value, const WideString& raw) { OnBarcode(value, raw); });
  }

  void Run() {
    for (std::size_t i = 0; i < timeline_.keys.size(); ++i) {
      const std::uintptr_t id = i + 1;
      const bool pausedBefore =
          (rig_.clock.AdvanceTo(timeline_.keys[i].at), FeedBackReplays(), rig_.channel->IsPaused());
      const bool swallowed = rig_.Send(timeline_.keys[i]);
      if (!swallowed) {
        appStream_.push_back(id);
        ++totals_.passed;
      } else if (pausedBefore) {
        fates_.insert(id);
        ++totals_.pauseSwallowed;
      } else {
        held_.push_back(id);
      }
      FeedBackReplays();
      ASSERT_EQ(static_cast<std::size_t>(rig_.channel->HeldEvents().Count()), held_.size());
    }
    rig_.Wait(10 * kInterval);
    FeedBackReplays();
    CheckEnd();
  }

 private:
  void OnReplay(const KeyStroke& stroke) {
    ASSERT_FALSE(held_.empty());
    ASSERT_EQ(stroke.dwExtraInfo, held_.front()) << "replayed out of order";
    held_.pop_front();
    const ScriptedKey& key = timeline_.keys[stroke.dwExtraInfo - 1];
    ASSERT_EQ(stroke.vkCode, key.vkCode);
    ASSERT_EQ(stroke.scanCode, KeyboardRig::ScanCodeOf(key.vkCode));
    ASSERT_EQ((stroke.flags & kKeyStrokeUp) != 0, key.message == kMsgKeyUp);
    pendingReplays_.push_back(stroke);
    appStream_.push_back(stroke.dwExtraInfo);
    ++totals_.replayed;
  }

  // The held events of this barcode are all that the harness counts as held; in prefix/postfix
  // mode the key-down being processed completes it and is held through the pause.
  void OnBarcode(const WideString& value, const WideString& raw) {
    std::size_t characters = 0;
    for (std::uintptr_t id : held_) {
      const ScriptedKey& key = timeline_.keys[id - 1];
      if (key.message == kMsgKeyDown && TypesCharacter(key.vkCode)) ++characters;
      fates_.insert(id);
      ++totals_.inBarcodes;
    }
    if (withPrefix_) ++characters;  // the completing key-down
    EXPECT_EQ(characters, raw.size()) << WideToUtf8(raw);
    held_.clear();
    barcodes_.push_back(value);
    ++totals_.barcodes;
  }

  // Replayed events come back through the hook marked as injected, before the next key.
  void FeedBackReplays() {
    std::vector<KeyStroke> replays;
    replays.swap(pendingReplays_);
    for (const KeyStroke& stroke : replays) {
      RawKeyEvent event{stroke.vkCode, stroke.scanCode,
                        kRawKeyInjected | ((stroke.flags & kKeyStrokeUp) ? kRawKeyUp : 0u), 0,
                        stroke.dwExtraInfo};
      const std::uint32_t message = (stroke.flags & kKeyStrokeUp) ? kMsgKeyUp : kMsgKeyDown;
      EXPECT_FALSE(rig_.hook->Send(message, event)) << "a replayed key was swallowed";
    }
  }

  void CheckEnd() {
    EXPECT_TRUE(held_.empty()) << "events still held after the timer ran out";
    EXPECT_TRUE(std::is_sorted(appStream_.begin(), appStream_.end()));
    EXPECT_EQ(std::adjacent_find(appStream_.begin(), appStream_.end()), appStream_.end());
    for (std::uintptr_t id : appStream_) {
      EXPECT_TRUE(fates_.insert(id).second) << "event " << id << " has two fates";
    }
    EXPECT_EQ(fates_.size(), timeline_.keys.size());
    totals_.events += static_cast<long>(timeline_.keys.size());
    ++totals_.trials;
    CheckIsolatedBursts();
  }

  // A burst with nobody typing near it is always recognized.
  void CheckIsolatedBursts() {
    for (const Burst& burst : timeline_.bursts) {
      const bool alone =
          std::none_of(timeline_.keys.begin(), timeline_.keys.end(), [&](const ScriptedKey& key) {
            return key.at + 3 * kInterval > burst.start && key.at < burst.end + 3 * kInterval &&
                   !(key.at >= burst.start && key.at <= burst.end && IsBurstKey(key, burst));
          });
      if (!alone) continue;
      ++totals_.isolatedBursts;
      EXPECT_NE(std::find(barcodes_.begin(), barcodes_.end(), burst.data), barcodes_.end());
    }
  }

  bool IsBurstKey(const ScriptedKey& key, const Burst& burst) const {
    for (const Burst& other : timeline_.bursts) {
      if (&other != &burst && key.at + 3 * kInterval > other.start &&
          key.at < other.end + 3 * kInterval) {
        return false;
      }
    }
    return key.vkCode == kVkReturn || key.vkCode == kVkLeftShift ||
           (key.vkCode >= '0' && key.vkCode <= '9');
  }

  const Timeline& timeline_;
  bool withPrefix_;
  Totals& totals_;
  KeyboardRig rig_{kInterval};
  std::deque<std::uintptr_t> held_;
  std::vector<std::uintptr_t> appStream_;
  std::vector<KeyStroke> pendingReplays_;
  std::set<std::uintptr_t> fates_;
  std::vector<WideString> barcodes_;
};

class Interleavings : public ::testing::TestWithParam<bool> {};

TEST_P(Interleavings, EveryKeyEventEndsExactlyOnceInOrder) {
  const bool withPrefix = GetParam();
  std::mt19937 random(withPrefix ? 20261210u : 1210u);
  Totals totals;
  for (int trial = 0; trial < kTrialsPerMode && !HasFailure(); ++trial) {
    const Timeline timeline = RandomTimeline(random, withPrefix);
    Trial(timeline, withPrefix, totals).Run();
  }
  std::cout << (withPrefix ? "prefix/postfix" : "interval") << " mode: " << totals.trials
            << " interleavings, " << totals.events << " key events: " << totals.passed
            << " passed at once, " << totals.replayed << " replayed, " << totals.inBarcodes
            << " in " << totals.barcodes << " barcodes, " << totals.pauseSwallowed
            << " swallowed by the pause; " << totals.isolatedBursts
            << " isolated bursts all recognized\n";
  EXPECT_GT(totals.barcodes, 0);
  EXPECT_GT(totals.replayed, 0);
  if (withPrefix) {
    EXPECT_GT(totals.pauseSwallowed, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, Interleavings, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& mode) {
                           return std::string(mode.param ? "PrefixPostfix" : "Interval");
                         });

}  // namespace
}  // namespace equ::testing
