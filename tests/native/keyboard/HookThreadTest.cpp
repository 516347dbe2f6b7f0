// The hook answers the system at once however the host behaves: barcodes reach the host after
// the hook procedure has returned, on the host's thread, in order; a host that is slow in its
// DataEvent or busy for seconds delays barcodes but never costs the hook; and a hook the system
// took away anyway comes back, is told to the host, and shows in the channel's state.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KeyboardRig.h"

namespace equ::testing {
namespace {

void ConfigureMode(KeyboardRig& rig, bool prefixMode) {
  if (prefixMode) rig.UsePrefixPostfix(u"%", u"#013");
}

const char16_t* Scan(bool prefixMode, bool second = false) {
  if (prefixMode) return second ? u"%456\r" : u"%123\r";
  return second ? u"456\r" : u"123\r";
}

// What a scan leaves at the application: nothing, or the Enter that completed a prefix/postfix
// barcode, replayed after its pause.
std::vector<std::uint32_t> KeysLeftByAScan(bool prefixMode) {
  if (prefixMode) return {kVkReturn};
  return {};
}

class EachMode : public ::testing::TestWithParam<bool> {};

TEST_P(EachMode, BarcodesReachTheHostAfterTheHookReturnedInOrder) {
  KeyboardRig rig;
  ConfigureMode(rig, GetParam());
  rig.Run(TypeText(Scan(GetParam()), 0, 5));
  rig.Run(TypeText(Scan(GetParam(), true), 200, 5));
  rig.Wait(200);
  ASSERT_EQ(rig.deliveries.size(), 2u);
  EXPECT_EQ(rig.deliveries[0].value, u"123");
  EXPECT_EQ(rig.deliveries[1].value, u"456");
  EXPECT_EQ(rig.deliveredInsideHook, (std::vector<int>{0, 0}));
}

// A DataEvent that takes a second (a product lookup, a message box) runs on the host thread,
// outside the hook: the system never waits for it, and the next scan is still a barcode.
TEST_P(EachMode, SlowDataEventDoesNotCostTheHook) {
  KeyboardRig rig;
  ConfigureMode(rig, GetParam());
  rig.channel->SetOnGetData([&rig](const WideString& value, const WideString& raw) {
    rig.deliveries.push_back({value, raw, rig.clock.Now()});
    rig.clock.AdvanceBy(1000);
  });
  rig.Run(TypeText(Scan(GetParam()), 0, 5));
  rig.Wait(100);
  rig.Run(TypeText(Scan(GetParam(), true), rig.clock.Now() + 100, 5));
  rig.Wait(100);
  EXPECT_EQ(rig.hook->removedBySystem, 0);
  EXPECT_EQ(rig.hook->passedUnhooked, 0);
  ASSERT_EQ(rig.deliveries.size(), 2u);
  EXPECT_EQ(rig.deliveries[1].value, u"456");
  std::vector<std::uint32_t> left = KeysLeftByAScan(GetParam());
  const std::vector<std::uint32_t> once = left;
  left.insert(left.end(), once.begin(), once.end());
  EXPECT_EQ(rig.application.KeysDown(), left);
}

// The host prints a receipt for three seconds without serving messages while a scan comes in:
// the scan waits for the host, and nothing is typed into the field.
TEST_P(EachMode, BusyHostDelaysTheBarcodeNotTheKeyboard) {
  KeyboardRig rig;
  ConfigureMode(rig, GetParam());
  rig.HostBusyFor(3000);
  rig.Run(TypeText(Scan(GetParam()), 100, 5));
  rig.WaitUntil(2900);
  EXPECT_TRUE(rig.deliveries.empty());
  rig.WaitUntil(3100);
  ASSERT_EQ(rig.deliveries.size(), 1u);
  EXPECT_EQ(rig.deliveries[0].value, u"123");
  EXPECT_GE(rig.deliveries[0].at, 3000u);
  EXPECT_EQ(rig.hook->removedBySystem, 0);
  EXPECT_EQ(rig.application.KeysDown(), KeysLeftByAScan(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Modes, EachMode, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& mode) {
                           return std::string(mode.param ? "PrefixPostfix" : "Interval");
                         });

// The fake behaves as Windows does with a hook whose thread does not answer: the key passes
// unhooked and the hook is gone, without a word to its owner.
TEST(FakeHook, HookOfABusyThreadIsPassedByAndRemoved) {
  SimulatedClock clock;
  ApplicationKeyState application;
  FakeKeyboardHook hook;
  hook.clock = &clock;
  hook.application = &application;
  bool busy = false;
  hook.threadBusy = [&busy](int) { return busy; };
  ASSERT_TRUE(hook.Install([](std::uint32_t, const RawKeyEvent&) { return true; }));
  EXPECT_TRUE(hook.Send(kMsgKeyDown, {'1', 0, 0, 0, 0}));
  busy = true;
  EXPECT_FALSE(hook.Send(kMsgKeyDown, {'2', 0, 0, 0, 0}));
  busy = false;
  EXPECT_FALSE(hook.Send(kMsgKeyDown, {'3', 0, 0, 0, 0}));
  EXPECT_EQ(application.Text(), u"23");
  EXPECT_EQ(hook.removedBySystem, 1);
  EXPECT_TRUE(hook.IsInstalled()) << "the owner is not told";
}

// A hook the system removed is renewed at the next quiet moment, reported once on the host
// thread, and counted; scans are barcodes again afterwards.
TEST(HookLoss, RemovedHookIsRenewedReportedAndWorksAgain) {
  KeyboardRig rig;
  std::vector<WideString> alarms;
  rig.channel->SetOnHookLost([&](const WideString& text) { alarms.push_back(text); });
  rig.hook->RemoveBySystem();
  rig.Run(TypeText(u"123\r", 100, 5));
  EXPECT_EQ(rig.application.Text(), u"123\r") << "unhooked, the scan went to the field";
  rig.WaitUntil(TScannerKeyboard::kHookCheckIntervalMs + 10);
  EXPECT_EQ(rig.hook->renewals, 1);
  EXPECT_EQ(rig.channel->HookLosses(), 1);
  ASSERT_EQ(alarms.size(), 1u);
  EXPECT_NE(alarms[0].find(u"снят системой"), WideString::npos);
  EXPECT_NE(rig.channel->HookStateText().find(u"восстановлен"), WideString::npos);
  const std::uint64_t later = rig.clock.Now() + 100;
  rig.Run(TypeText(u"456\r", later, 5));
  rig.Wait(100);
  ASSERT_EQ(rig.deliveries.size(), 1u);
  EXPECT_EQ(rig.deliveries[0].value, u"456");
  // A hook that stays in place is renewed without alarm.
  rig.Wait(TScannerKeyboard::kHookCheckIntervalMs);
  EXPECT_EQ(rig.hook->renewals, 2);
  EXPECT_EQ(alarms.size(), 1u);
}

// Renewal never cuts into a scan: while keys are held it waits for the next check.
TEST(HookLoss, RenewalWaitsForAQuietMoment) {
  KeyboardRig rig;
  const std::uint64_t check = TScannerKeyboard::kHookCheckIntervalMs;
  rig.Run(TypeText(u"123456\r", check - 20, 5));
  rig.WaitUntil(check + 100);
  EXPECT_EQ(rig.hook->renewals, 0);
  ASSERT_EQ(rig.deliveries.size(), 1u);
  rig.WaitUntil(2 * check + 10);
  EXPECT_EQ(rig.hook->renewals, 1);
}

TEST(HookLoss, RefusedRenewalKeepsTheHookWithoutAlarm) {
  KeyboardRig rig;
  int alarms = 0;
  rig.channel->SetOnHookLost([&](const WideString&) { ++alarms; });
  rig.hook->refuseRenewal = true;
  rig.WaitUntil(TScannerKeyboard::kHookCheckIntervalMs + 10);
  EXPECT_EQ(alarms, 0);
  EXPECT_TRUE(rig.channel->IsHookInstalled());
  rig.Run(TypeText(u"123\r", rig.clock.Now() + 10, 5));
  rig.Wait(100);
  EXPECT_EQ(rig.deliveries.size(), 1u);
}

}  // namespace
}  // namespace equ::testing
