// The application never keeps a key down because of the channel: every key-up whose key-down
// reached the application reaches it too, in order, whether the key-up fell into a burst, into
// the pause after a prefix/postfix barcode, or was held when the channel was disabled. Only the
// events of a delivered barcode disappear, and they disappear whole.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "KeyboardRig.h"

namespace equ::testing {
namespace {

constexpr std::uint32_t kVkLeftControl = 0xA2;

struct StuckKeyCase {
  const char* name;
  bool prefixMode;
  std::uint32_t modifier;
  // The modifier is pressed at 0 and released at this time; the burst starts at 300.
  std::uint64_t releasedAt;
  const char16_t* burst;
  const char16_t* barcode;
};

class StuckKeys : public ::testing::TestWithParam<StuckKeyCase> {};

// A cashier holds a modifier for a while (it reaches the application) and lets it go while a
// scanner types; the keys typed slowly afterwards are plain letters.
TEST_P(StuckKeys, ModifierReleasedDuringAScanComesUpAtTheApplication) {
  const StuckKeyCase& c = GetParam();
  KeyboardRig rig;
  if (c.prefixMode) rig.UsePrefixPostfix(u"%", u"#013");
  std::vector<ScriptedKey> script = TypeText(c.burst, 300, 5);
  script.push_back({c.releasedAt, kMsgKeyUp, c.modifier, 0});
  std::stable_sort(script.begin(), script.end(),
                   [](const ScriptedKey& a, const ScriptedKey& b) { return a.at < b.at; });
  rig.Send({0, kMsgKeyDown, c.modifier, 0});
  rig.Run(script);
  rig.Wait(200);
  ASSERT_EQ(rig.deliveries.size(), 1u);
  EXPECT_EQ(rig.deliveries[0].value, c.barcode);
  EXPECT_FALSE(rig.application.IsDown(c.modifier));
  // Only the modifier reached the application (and, after a prefix/postfix barcode, its
  // completing Enter); the scanner's other keys went with the barcode.
  std::vector<std::uint32_t> expected{c.modifier};
  if (c.prefixMode) expected.push_back(kVkReturn);
  EXPECT_EQ(rig.application.KeysDown(), expected);
  rig.Run(TypeText(u"abc", 1000, 100));
  rig.Wait(200);
  EXPECT_EQ(rig.application.Text(), c.prefixMode ? u"\rabc" : u"abc");
  EXPECT_FALSE(rig.application.AnyKeyDown());
}

INSTANTIATE_TEST_SUITE_P(
    Table, StuckKeys,
    ::testing::Values(
        StuckKeyCase{"ShiftInsideBurst", false, kVkLeftShift, 312, u"123456\r", u"123456"},
        StuckKeyCase{"ControlInsideBurst", false, kVkLeftControl, 312, u"123456\r", u"123456"},
        StuckKeyCase{"ControlInsidePrefixRun", true, kVkLeftControl, 306, u"%12\r", u"12"},
        StuckKeyCase{"ControlInThePause", true, kVkLeftControl, 330, u"%12\r", u"12"}),
    [](const ::testing::TestParamInfo<StuckKeyCase>& param) {
      return std::string(param.param.name);
    });

TEST(StuckKeys, DisablingWithAKeyUpHeldReplaysItAndDropsTheRest) {
  for (bool prefixMode : {false, true}) {
    KeyboardRig rig;
    if (prefixMode) rig.UsePrefixPostfix(u"%", u"#013");
    rig.Send({0, kMsgKeyDown, kVkLeftControl, 0});
    rig.Wait(100);  // the Control reached the application
    rig.Run(TypeText(prefixMode ? u"%12" : u"123", 300, 5));
    EXPECT_TRUE(rig.Send({306, kMsgKeyUp, kVkLeftControl, 0})) << "held with the burst";
    rig.channel->Disable();
    EXPECT_FALSE(rig.application.AnyKeyDown()) << prefixMode;
    EXPECT_EQ(rig.application.KeysDown(), (std::vector<std::uint32_t>{kVkLeftControl}));
    EXPECT_TRUE(rig.deliveries.empty());
  }
}

}  // namespace
}  // namespace equ::testing
