#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "KeyboardRig.h"
#include "platform/KeyboardThreadPorts.h"
#include "scanner/keyboard/ScannerKeyboard.h"

namespace equ::testing {
namespace {

std::vector<bool> AllOf(std::size_t count, bool value) {
  return std::vector<bool>(count, value);
}

// --- interval mode ---------------------------------------------------------------------------

TEST(IntervalMode, ScannerBurstIsOneBarcodeWithoutLineEnd) {
  KeyboardRig rig;
  const auto script = TypeText(u"12345\r", 0, 10);
  EXPECT_EQ(rig.Run(script), AllOf(script.size(), true));
  rig.WaitUntil(89);
  EXPECT_TRUE(rig.deliveries.empty());
  rig.WaitUntil(90);
  ASSERT_EQ(rig.deliveries.size(), 1u);
  EXPECT_EQ(rig.deliveries[0].value, u"12345");
  EXPECT_EQ(rig.deliveries[0].raw, u"12345\r");
  EXPECT_EQ(rig.deliveries[0].at, 90u);  // one interval after the last key-down
  EXPECT_TRUE(rig.injector->injected.empty());
  EXPECT_FALSE(rig.timer->IsRunning());
  EXPECT_FALSE(rig.channel->IsPaused());
}

TEST(IntervalMode, SlowTypingIsReplayedLateAndComplete) {
  KeyboardRig rig;
  // 'a' down at 0, up at 3 (held: timer runs), replayed at 40; 'b' the same from 100.
  EXPECT_EQ(rig.Run(TypeText(u"a", 0, 100)), (std::vector<bool>{true, true}));
  rig.Wait(40);
  EXPECT_EQ(rig.ReplayedIds(), (std::vector<std::uintptr_t>{1, 2}));
  EXPECT_EQ(rig.Run(TypeText(u"b", 100, 100)), (std::vector<bool>{true, true}));
  rig.Wait(200);
  EXPECT_EQ(rig.ReplayedIds(), (std::vector<std::uintptr_t>{1, 2, 3, 4}));
  EXPECT_TRUE(rig.deliveries.empty());
  const KeyStroke& down = rig.injector->injected[2];
  EXPECT_EQ(down.vkCode, static_cast<std::uint32_t>('B'));
  EXPECT_EQ(down.scanCode, KeyboardRig::ScanCodeOf('B'));
  EXPECT_EQ(down.flags, 0u);
  EXPECT_EQ(rig.injector->injected[3].flags, kKeyStrokeUp);
}

TEST(IntervalMode, KeyUpAfterTheReplayPassesAtOnce) {
  KeyboardRig rig;
  EXPECT_TRUE(rig.Send({0, kMsgKeyDown, 'A', 0}));
  rig.Wait(50);
  EXPECT_FALSE(rig.Send({60, kMsgKeyUp, 'A', 0}));
  EXPECT_EQ(rig.ReplayedIds(), (std::vector<std::uintptr_t>{1}));
}

struct ShortRunCase {
  std::uint8_t minDataLen;
  const char16_t* text;
  bool delivered;
};

class ShortRuns : public ::testing::TestWithParam<ShortRunCase> {};

TEST_P(ShortRuns, NeedAtLeastTwoAndMinDataLenCharacters) {
  const ShortRunCase& c = GetParam();
  KeyboardRig rig;
  rig.channel->SetMinDataLen(c.minDataLen);
  const auto script = TypeText(c.text, 0, 10);
  rig.Run(script);
  rig.Wait(100);
  EXPECT_EQ(rig.deliveries.size(), c.delivered ? 1u : 0u);
  EXPECT_EQ(rig.injector->injected.size(), c.delivered ? 0u : script.size());
}

INSTANTIATE_TEST_SUITE_P(
    Table, ShortRuns,
    ::testing::Values(ShortRunCase{3, u"12", false}, ShortRunCase{3, u"123", true},
                      ShortRunCase{0, u"1", false}, ShortRunCase{1, u"1", false},
                      ShortRunCase{1, u"12", true}, ShortRunCase{5, u"1234", false}));

TEST(IntervalMode, RepeatedKeyReplaysWhatIsHeldAndPasses) {
  KeyboardRig rig;
  EXPECT_TRUE(rig.Send({0, kMsgKeyDown, '1', 0}));
  EXPECT_TRUE(rig.Send({5, kMsgKeyDown, 'A', 0}));
  EXPECT_FALSE(rig.Send({10, kMsgKeyDown, 'A', 0}));  // auto-repeat: same key, same flags
  EXPECT_EQ(rig.ReplayedIds(), (std::vector<std::uintptr_t>{1, 2}));
  EXPECT_TRUE(rig.timer->IsRunning());
  EXPECT_FALSE(rig.Send({12, kMsgKeyDown, 'A', 0}));
  rig.Wait(100);
  EXPECT_TRUE(rig.deliveries.empty());
  EXPECT_EQ(rig.ReplayedIds(), (std::vector<std::uintptr_t>{1, 2}));
}

// A key that types nothing and is no modifier (an arrow, an F-key) is judged with the run it
// falls into: a person's comes out in order with the rest, a scanner's disappears with its
// barcode, whichever end of the barcode it is on.
TEST(IntervalMode, KeyThatTypesNothingIsJudgedWithItsRun) {
  struct Case {
    const char* name;
    std::vector<ScriptedKey> script;
    const char16_t* barcode;  // nullptr: typing
  };
  constexpr std::uint32_t kVkDown = 0x28;
  const Case cases[] = {
      {"typing then F5",
       {{0, kMsgKeyDown, 'A', 0},
        {3, kMsgKeyUp, 'A', 0},
        {5, kMsgKeyDown, kVkF5, 0},
        {8, kMsgKeyUp, kVkF5, 0}},
       nullptr},
      {"F5 alone", {{0, kMsgKeyDown, kVkF5, 0}, {4, kMsgKeyUp, kVkF5, 0}}, nullptr},
      {"burst then Down",
       {{0, kMsgKeyDown, '1', 0},
        {5, kMsgKeyDown, '2', 0},
        {10, kMsgKeyDown, '3', 0},
        {15, kMsgKeyDown, kVkDown, 0},
        {18, kMsgKeyUp, kVkDown, 0}},
       u"123"},
      {"F5 then burst",
       {{0, kMsgKeyDown, kVkF5, 0},
        {3, kMsgKeyUp, kVkF5, 0},
        {5, kMsgKeyDown, '1', 0},
        {10, kMsgKeyDown, '2', 0},
        {15, kMsgKeyDown, '3', 0}},
       u"123"},
  };
  for (const Case& c : cases) {
    KeyboardRig rig;
    EXPECT_EQ(rig.Run(c.script), AllOf(c.script.size(), true)) << c.name;
    rig.Wait(100);
    if (c.barcode) {
      ASSERT_EQ(rig.deliveries.size(), 1u) << c.name;
      EXPECT_EQ(rig.deliveries[0].value, c.barcode) << c.name;
      EXPECT_TRUE(rig.application.KeysDown().empty()) << c.name;
    } else {
      EXPECT_TRUE(rig.deliveries.empty()) << c.name;
      std::vector<std::uintptr_t> all;
      for (std::uintptr_t id = 1; id <= c.script.size(); ++id) all.push_back(id);
      EXPECT_EQ(rig.ReplayedIds(), all) << c.name;
    }
    EXPECT_FALSE(rig.application.AnyKeyDown()) << c.name;
  }
}

TEST(PrefixPostfixMode, KeyThatTypesNothingPassesOutsideARunAndIsHeldInside) {
  KeyboardRig rig;
  rig.UsePrefixPostfix(u"%", u"#013");
  EXPECT_FALSE(rig.Send({0, kMsgKeyDown, kVkF5, 0}));
  rig.Send({3, kMsgKeyUp, kVkF5, 0});  // held while the timer runs, then replayed
  const auto script = TypeText(u"%12\r", 100, 5);
  std::vector<ScriptedKey> withArrow(script.begin(), script.begin() + 4);  // Shift, '%'
  withArrow.push_back({104, kMsgKeyDown, kVkF5, 0});
  withArrow.push_back({104, kMsgKeyUp, kVkF5, 0});
  withArrow.insert(withArrow.end(), script.begin() + 4, script.end());
  EXPECT_EQ(rig.Run(withArrow).front(), true);
  rig.Wait(100);
  ASSERT_EQ(rig.deliveries.size(), 1u);
  EXPECT_EQ(rig.deliveries[0].value, u"12");
  EXPECT_EQ(rig.application.KeysDown(), (std::vector<std::uint32_t>{kVkF5, kVkReturn}));
  EXPECT_FALSE(rig.application.AnyKeyDown());
}

// The system may deliver physical keys inside a replay (under Wine a thread that replays reads
// the keys typed meanwhile): they begin a sequence of their own, and none is lost to the reset
// that follows the replay.
TEST(IntervalMode, KeysDeliveredInsideAReplayBeginANewSequence) {
  KeyboardRig rig;
  bool delivered = false;
  rig.injector->onInject = [&](const KeyStroke&) {
    if (delivered) return;
    delivered = true;
    rig.Send({rig.clock.Now(), kMsgKeyDown, '1', 0});
  };
  rig.Send({0, kMsgKeyDown, 'A', 0});
  rig.Send({3, kMsgKeyUp, 'A', 0});
  rig.Run({{42, kMsgKeyUp, '1', 0},
           {45, kMsgKeyDown, '2', 0},
           {47, kMsgKeyUp, '2', 0},
           {50, kMsgKeyDown, '3', 0},
           {52, kMsgKeyUp, '3', 0}});
  rig.Wait(100);
  ASSERT_EQ(rig.deliveries.size(), 1u);
  EXPECT_EQ(rig.deliveries[0].value, u"123");
  EXPECT_EQ(rig.application.Text(), u"a");
  EXPECT_FALSE(rig.application.AnyKeyDown());
}

TEST(IntervalMode, ModifiersAreHeldWithTheKeysTheyShift) {
  KeyboardRig rig;
  const auto script = TypeText(u"AB1", 0, 10);
  EXPECT_EQ(rig.Run(script), AllOf(script.size(), true));
  rig.Wait(100);
  ASSERT_EQ(rig.deliveries.size(), 1u);
  EXPECT_EQ(rig.deliveries[0].value, u"AB1");
}

TEST(IntervalMode, IgnoreModificatorsTranslatesWithoutShift) {
  KeyboardRig rig;
  rig.channel->SetIgnoreModificators(true);
  rig.channel->Enable();
  const auto script = TypeText(u"AB1", 0, 10);
  EXPECT_EQ(rig.Run(script), AllOf(script.size(), true));  // Shift events still held
  rig.Wait(100);
  ASSERT_EQ(rig.deliveries.size(), 1u);
  EXPECT_EQ(rig.deliveries[0].value, u"ab1");
}

TEST(IntervalMode, InjectedEventsPassUntouched) {
  KeyboardRig rig;
  EXPECT_TRUE(rig.Send({0, kMsgKeyDown, 'A', 0}));
  const KeyboardState before = rig.channel->KeyState();
  EXPECT_FALSE(rig.Send({1, kMsgKeyDown, kVkLeftShift, kRawKeyInjected}));
  EXPECT_FALSE(rig.Send({2, kMsgKeyDown, 'A', kRawKeyInjected}));
  EXPECT_EQ(rig.channel->KeyState(), before);
  // Neither did the injected 'A' become the previous event: this one is no repeat.
  EXPECT_TRUE(rig.Send({3, kMsgKeyUp, 'A', 0}));
  EXPECT_TRUE(rig.injector->injected.empty());
}

TEST(IntervalMode, UpperCaseDataCoversLatinAndCyrillic) {
  struct Case {
    std::uint32_t layout;
    const char16_t* typed;  // US key names
    const char16_t* value;
    const char16_t* raw;
  };
  for (const Case& c : {Case{1033, u"abc", u"ABC", u"abc"}, Case{1049, u"dfq", u"ВАЙ", u"вай"}}) {
    KeyboardRig rig;
    rig.channel->SetUpperCaseData(true);
    rig.channel->SetKeyboardLayout(c.layout);
    rig.channel->Enable();
    rig.Run(TypeText(c.typed, 0, 10));
    rig.Wait(100);
    ASSERT_EQ(rig.deliveries.size(), 1u) << c.layout;
    EXPECT_EQ(rig.deliveries[0].value, c.value);
    EXPECT_EQ(rig.deliveries[0].raw, c.raw);
  }
}

TEST(IntervalMode, RussianLayoutDeliversWindows1251Letters) {
  KeyboardRig rig;
  rig.channel->SetKeyboardLayout(1049);
  rig.Run(TypeText(u"Ghbdtn", 0, 10));
  rig.Wait(100);
  ASSERT_EQ(rig.deliveries.size(), 1u);
  EXPECT_EQ(rig.deliveries[0].value, u"Привет");
}

TEST(IntervalMode, LineEndsKeptWhenDeleteCRLFPostfixIsOff) {
  KeyboardRig rig;
  rig.channel->SetDeleteCRLFPostfix(false);
  rig.Run(TypeText(u"123\r", 0, 10));
  rig.Wait(100);
  ASSERT_EQ(rig.deliveries.size(), 1u);
  EXPECT_EQ(rig.deliveries[0].value, u"123\r");
}

TEST(IntervalMode, DisableWhileHoldingDropsWithoutReplay) {
  KeyboardRig rig;
  rig.Run(TypeText(u"12", 0, 10));
  rig.channel->Disable();
  EXPECT_FALSE(rig.channel->IsHookInstalled());
  EXPECT_FALSE(rig.timer->IsRunning());
  rig.Wait(500);
  rig.channel->Enable();
  rig.Wait(500);
  EXPECT_TRUE(rig.deliveries.empty());
  EXPECT_TRUE(rig.injector->injected.empty());
  EXPECT_EQ(rig.channel->HeldEvents().Count(), 0);
}

// --- prefix/postfix mode ---------------------------------------------------------------------

TEST(PrefixPostfixMode, MatchIsDeliveredAndTheCompletingKeyReplayedAfterThePause) {
  KeyboardRig rig;
  rig.UsePrefixPostfix(u"%", u"#013");
  // Shift, '5' ('%'), 'A'.. with Shift, Enter: every key-down and key-up is held.
  const auto script = TypeText(u"%ABC\r", 0, 10);
  const std::size_t enterDown = script.size() - 2;
  const auto swallowed = rig.Run(std::vector<ScriptedKey>(script.begin(), script.end() - 1));
  EXPECT_EQ(swallowed, AllOf(script.size() - 1, true));
  ASSERT_EQ(rig.deliveries.size(), 1u);
  EXPECT_EQ(rig.deliveries[0].value, u"ABC");
  EXPECT_EQ(rig.deliveries[0].raw, u"%ABC\r");
  EXPECT_TRUE(rig.channel->IsPaused());
  // The Enter key-up falls into the pause: held behind its key-down, so that the application,
  // which gets the Enter after the pause, does not keep it down.
  EXPECT_TRUE(rig.Send(script.back()));
  EXPECT_EQ(rig.channel->HeldEvents().Count(), 2);
  EXPECT_TRUE(rig.injector->injected.empty());
  rig.Wait(100);
  EXPECT_FALSE(rig.channel->IsPaused());
  EXPECT_EQ(rig.ReplayedIds(), (std::vector<std::uintptr_t>{enterDown + 1, enterDown + 2}));
  EXPECT_EQ(rig.injector->injected[0].vkCode, kVkReturn);
  // The replays came back through the hook inside the call and passed.
  EXPECT_EQ(rig.injector->swallowedReplays, (std::vector<bool>{false, false}));
  EXPECT_EQ(rig.application.Text(), u"\r");
  EXPECT_FALSE(rig.application.AnyKeyDown());
}

TEST(PrefixPostfixMode, PauseDoesNotRestartOnKeys) {
  KeyboardRig rig;
  rig.UsePrefixPostfix(u"%", u"#013");
  rig.Run(TypeText(u"%1\r", 0, 10));  // delivered at 20
  EXPECT_TRUE(rig.Send({30, kMsgKeyDown, '7', 0}));
  EXPECT_TRUE(rig.Send({55, kMsgKeyDown, '8', 0}));
  rig.WaitUntil(60);  // one interval after the delivery
  EXPECT_FALSE(rig.channel->IsPaused());
  EXPECT_FALSE(rig.Send({61, kMsgKeyDown, 'X', 0}));
}

TEST(PrefixPostfixMode, PrefixAndPostfixAloneAreNoBarcode) {
  KeyboardRig rig;
  rig.UsePrefixPostfix(u"%", u"#013");
  const auto script = TypeText(u"%\r", 0, 10);
  EXPECT_EQ(rig.Run(script), AllOf(script.size(), true));
  rig.Wait(100);
  EXPECT_TRUE(rig.deliveries.empty());
  EXPECT_EQ(rig.injector->injected.size(), script.size());
}

TEST(PrefixPostfixMode, PrefixFollowedByAPauseIsReplayed) {
  KeyboardRig rig;
  rig.UsePrefixPostfix(u"%", u"#013");
  rig.Run(TypeText(u"%", 0, 10));
  rig.Wait(100);
  EXPECT_EQ(rig.ReplayedIds(), (std::vector<std::uintptr_t>{1, 2, 3, 4}));
}

TEST(PrefixPostfixMode, CharacterThatCannotStartAMatchPassesAtOnce) {
  KeyboardRig rig;
  rig.UsePrefixPostfix(u"%", u"#013");
  EXPECT_FALSE(rig.Send({0, kMsgKeyDown, 'X', 0}));
  EXPECT_FALSE(rig.timer->IsRunning());
  EXPECT_FALSE(rig.Send({3, kMsgKeyUp, 'X', 0}));
}

TEST(PrefixPostfixMode, MismatchReplaysWhatIsHeldBeforeTheKeyPasses) {
  KeyboardRig rig;
  rig.UsePrefixPostfix(u"%%", u"#013");
  rig.Run(TypeText(u"%", 0, 10));
  EXPECT_FALSE(rig.Send({10, kMsgKeyDown, 'X', 0}));
  EXPECT_EQ(rig.ReplayedIds(), (std::vector<std::uintptr_t>{1, 2, 3, 4}));
  EXPECT_FALSE(rig.timer->IsRunning());
}

TEST(PrefixPostfixMode, FirstPostfixCompletesTheMatch) {
  KeyboardRig rig;
  rig.UsePrefixPostfix(u"%", u"#013");
  rig.Run(TypeText(u"%A\rB\r", 0, 10));
  ASSERT_GE(rig.deliveries.size(), 1u);
  EXPECT_EQ(rig.deliveries[0].value, u"A");
}

TEST(PrefixPostfixMode, DataOfLineEndsAloneIsDeliveredEmpty) {
  KeyboardRig rig;
  rig.UsePrefixPostfix(u"%", u"#035");  // '#'
  rig.Run({{0, kMsgKeyDown, kVkLeftShift, 0},
           {0, kMsgKeyDown, '5', 0},
           {1, kMsgKeyUp, '5', 0},
           {2, kMsgKeyUp, kVkLeftShift, 0},
           {10, kMsgKeyDown, kVkReturn, 0},
           {20, kMsgKeyDown, kVkLeftShift, 0},
           {21, kMsgKeyDown, '3', 0}});
  ASSERT_EQ(rig.deliveries.size(), 1u);
  EXPECT_EQ(rig.deliveries[0].value, u"");
  EXPECT_EQ(rig.deliveries[0].raw, u"%\r#");
}

TEST(PrefixPostfixMode, DefinitionWithoutPrefixAndPostfixMatchesEveryCharacter) {
  KeyboardRig rig;
  rig.channel->Clear();
  rig.channel->Add(u"", u"");
  rig.channel->Add(u"%", u"#013");
  rig.channel->Enable();
  EXPECT_FALSE(rig.channel->UsesInterCharInterval());
  EXPECT_TRUE(rig.Send({0, kMsgKeyDown, 'Q', 0}));
  ASSERT_EQ(rig.deliveries.size(), 1u);
  EXPECT_EQ(rig.deliveries[0].value, u"q");
}

TEST(PrefixPostfixMode, WithoutDefinitionsOnlyModifiersAreHeld) {
  KeyboardRig rig;
  rig.channel->Clear();
  rig.channel->Enable();
  EXPECT_TRUE(rig.Send({0, kMsgKeyDown, kVkLeftShift, 0}));
  EXPECT_FALSE(rig.Send({5, kMsgKeyDown, 'A', 0}));
  EXPECT_EQ(rig.ReplayedIds(), (std::vector<std::uintptr_t>{1}));
  rig.Wait(100);
  EXPECT_TRUE(rig.deliveries.empty());
}

// --- life cycle ------------------------------------------------------------------------------

TEST(ChannelLifeCycle, CreationDefaults) {
  KeyboardRig rig;
  TScannerKeyboard& channel = *rig.channel;
  EXPECT_EQ(channel.MinDataLen(), 3);
  EXPECT_EQ(channel.KeyboardLayout(), 0x04090409u);
  EXPECT_FALSE(channel.IgnoreModificators());
  EXPECT_FALSE(channel.UpperCaseData());
  EXPECT_TRUE(channel.DeleteCRLFPostfix());
}

TEST(ChannelLifeCycle, KeyboardLayoutCombinesTheLanguageIntoBothWords) {
  KeyboardRig rig;
  rig.channel->SetKeyboardLayout(1049);
  EXPECT_EQ(rig.channel->KeyboardLayout(), 0x04190419u);
  rig.channel->SetKeyboardLayout(0);
  EXPECT_EQ(rig.channel->KeyboardLayout(), 0u);
}

TEST(ChannelLifeCycle, EnableTwiceInstallsOneHookAndAppliesTheInterval) {
  KeyboardRig rig;
  rig.channel->SetInterCharInterval(60);
  EXPECT_EQ(rig.channel->Enable(), 0);
  EXPECT_EQ(rig.channel->Enable(), 0);
  EXPECT_EQ(rig.hook->installs, 3);  // the rig's own Enable, then one per call
  EXPECT_EQ(rig.hook->removals, 2);
  EXPECT_TRUE(rig.channel->IsHookInstalled());
  EXPECT_EQ(rig.timer->Interval(), 60u);
}

// Enable answers only once the hook is in place; a refusal is told, and leaves no thread.
TEST(ChannelLifeCycle, RefusedHookOrThreadFailsTheEnablingWithItsReason) {
  struct Case {
    const char* name;
    void (*refuse)(KeyboardRig&);
    const char16_t* description;
  };
  const Case cases[] = {
      {"hook", [](KeyboardRig& r) { r.hook->refuse = true; },
       u"Не удалось установить перехват клавиатуры: Перехват отклонён"},
      {"thread", [](KeyboardRig& r) { r.threads->refuseThread = true; },
       u"Не удалось запустить поток клавиатурного сканера: Недостаточно ресурсов"},
  };
  for (const Case& c : cases) {
    KeyboardRig rig;
    rig.channel->Disable();
    c.refuse(rig);
    EXPECT_EQ(rig.channel->Enable(), 1001) << c.name;
    EXPECT_EQ(rig.channel->ResultDescription(), c.description) << c.name;
    EXPECT_FALSE(rig.channel->IsHookInstalled()) << c.name;
    EXPECT_EQ(rig.threads->threadsRunning, 0) << c.name;
    EXPECT_FALSE(rig.Send({0, kMsgKeyDown, '1', 0})) << c.name;
  }
}

TEST(ChannelLifeCycle, ModeFollowsTheLastDefinitionAdded) {
  KeyboardRig rig;
  rig.channel->Clear();
  EXPECT_FALSE(rig.channel->UsesInterCharInterval());
  rig.channel->Add(u"%", u"");
  EXPECT_TRUE(rig.channel->UsesInterCharInterval());
  rig.channel->Add(u"%", u"#013");
  EXPECT_FALSE(rig.channel->UsesInterCharInterval());
}

TEST(ChannelLifeCycle, CurrentKeyboardScannerIsTheNewestLivingChannel) {
  auto first = std::make_unique<KeyboardRig>();
  EXPECT_EQ(CurrentKeyboardScanner(), first->channel.get());
  auto second = std::make_unique<KeyboardRig>();
  EXPECT_EQ(CurrentKeyboardScanner(), second->channel.get());
  first.reset();
  EXPECT_EQ(CurrentKeyboardScanner(), second->channel.get());
  second.reset();
  EXPECT_EQ(CurrentKeyboardScanner(), nullptr);
}

TEST(ChannelLifeCycle, EachHookFeedsItsOwnChannel) {
  KeyboardRig enabled;
  KeyboardRig newer;  // created later, so current, but another channel's keys are not its own
  enabled.Run(TypeText(u"123", 0, 10));
  enabled.Wait(100);
  EXPECT_EQ(enabled.deliveries.size(), 1u);
  EXPECT_TRUE(newer.deliveries.empty());
}

struct CallbackAction {
  const char* name;
  void (*act)(std::unique_ptr<KeyboardRig>&);
};

class CallbackActions : public ::testing::TestWithParam<CallbackAction> {};

// The handler may end the channel's work in any way; the channel touches nothing afterwards.
TEST_P(CallbackActions, HandlerMayStopOrDestroyTheChannel) {
  for (bool prefixMode : {false, true}) {
    auto rig = std::make_unique<KeyboardRig>();
    if (prefixMode) rig->UsePrefixPostfix(u"%", u"#013");
    int calls = 0;
    KeyboardRig* raw = rig.get();
    rig->channel->SetOnGetData([&](const WideString&, const WideString&) {
      ++calls;
      GetParam().act(rig);
    });
    const auto script = TypeText(prefixMode ? u"%1\r" : u"123", 0, 10);
    for (const ScriptedKey& key : script) {
      if (!rig->channel) break;
      rig->Send(key);
    }
    if (rig->channel) raw->Wait(100);
    EXPECT_EQ(calls, 1) << GetParam().name << (prefixMode ? " prefix" : " interval");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, CallbackActions,
    ::testing::Values(
        CallbackAction{"disable", [](std::unique_ptr<KeyboardRig>& r) { r->channel->Disable(); }},
        CallbackAction{"enable", [](std::unique_ptr<KeyboardRig>& r) { r->channel->Enable(); }},
        CallbackAction{"destroy", [](std::unique_ptr<KeyboardRig>& r) { r->channel.reset(); }}),
    [](const ::testing::TestParamInfo<CallbackAction>& param) {
      return std::string(param.param.name);
    });

// --- ports ------------------------------------------------------------------------------------

// A channel given only part of its ports refuses to start and names what is missing; it never
// fills the gap with a real port (a real keyboard hook in a test).
TEST(ChannelPorts, AMissingPortFailsLoudlyWithItsName) {
  struct Case {
    const char* named;
    void (*remove)(TKeyboardPorts&);
  };
  const Case cases[] = {
      {"keyboard threads", [](TKeyboardPorts& p) { p.threads = nullptr; }},
      {"key translator", [](TKeyboardPorts& p) { p.translator = nullptr; }},
      {"text case", [](TKeyboardPorts& p) { p.textCase = nullptr; }},
      {"XML document", [](TKeyboardPorts& p) { p.xml = nullptr; }},
      {"code page", [](TKeyboardPorts& p) { p.codePage = nullptr; }},
      {"host windows", [](TKeyboardPorts& p) { p.hostWindows = nullptr; }},
  };
  for (const Case& c : cases) {
    SimulatedClock clock;
    auto threads = std::make_shared<FakeKeyboardThreads>(clock);
    TKeyboardPorts ports = FakeKeyboardPorts(threads);
    c.remove(ports);
    try {
      TScannerKeyboard channel(std::move(ports));
      ADD_FAILURE() << "made without the " << c.named << " port";
    } catch (const std::logic_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.named), std::string::npos) << e.what();
    }
    EXPECT_EQ(threads->hook, nullptr) << "no thread ports were made without the " << c.named;
  }
}

// The thread ports come from their factory on the constructing thread, and a factory that
// leaves one out is refused the same way.
class PartialKeyboardThreads : public KeyboardThreads {
 public:
  explicit PartialKeyboardThreads(int leaveOut) : leaveOut_(leaveOut) {}
  KeyboardThreadPorts CreateForThisThread() override {
    ++calls;
    KeyboardThreadPorts ports;
    if (leaveOut_ != 0) ports.hook = std::make_unique<FakeKeyboardHook>();
    if (leaveOut_ != 1) ports.timer = std::make_unique<SimulatedTimer>(clock_);
    if (leaveOut_ != 2) ports.injector = std::make_unique<RecordingKeyInjector>();
    if (leaveOut_ != 3) ports.checkTimer = std::make_unique<SimulatedTimer>(clock_);
    return ports;
  }
  PortResult<std::unique_ptr<KeyboardThread>> StartThread() override {
    return fallback_.StartThread();
  }
  int calls = 0;

 private:
  int leaveOut_;
  SimulatedClock clock_;
  FakeKeyboardThreads fallback_{clock_};
};

TEST(ChannelPorts, AThreadPortLeftOutByItsFactoryFailsLoudly) {
  const char* const named[] = {"keyboard hook", "timer", "key injector", "hook check timer"};
  for (int leaveOut = 0; leaveOut < 4; ++leaveOut) {
    auto threads = std::make_shared<PartialKeyboardThreads>(leaveOut);
    SimulatedClock clock;
    TKeyboardPorts ports = FakeKeyboardPorts(std::make_shared<FakeKeyboardThreads>(clock));
    ports.threads = threads;
    TScannerKeyboard channel(std::move(ports));
    try {
      channel.Enable();
      ADD_FAILURE() << "enabled without the " << named[leaveOut];
    } catch (const std::logic_error& e) {
      EXPECT_NE(std::string(e.what()).find(named[leaveOut]), std::string::npos) << e.what();
    }
    EXPECT_EQ(threads->calls, 1);
    EXPECT_FALSE(channel.IsHookInstalled());
  }
}

// The hook, the timers and the injector are made on the channel's own thread, anew at each
// enabling; Disable ends that thread, and the hook goes with it.
TEST(ChannelPorts, ThreadPortsAreMadeOnTheChannelsThreadAtEachEnabling) {
  KeyboardRig rig;
  EXPECT_EQ(rig.threads->threadsStarted, 1);
  EXPECT_EQ(rig.threads->portsMade, 1);
  EXPECT_EQ(rig.threads->threadsRunning, 1);
  EXPECT_TRUE(rig.channel->IsHookInstalled()) << "the hook the factory made is the one used";
  rig.channel->Enable();
  EXPECT_EQ(rig.threads->threadsStarted, 2);
  EXPECT_EQ(rig.threads->threadsRunning, 1);
  rig.channel->Disable();
  EXPECT_EQ(rig.threads->threadsRunning, 0);
  EXPECT_FALSE(rig.hook->IsInstalled());
}

}  // namespace
}  // namespace equ::testing
