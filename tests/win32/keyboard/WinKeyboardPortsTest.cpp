// The Windows adapters of the keyboard channel's ports, against the real system under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

#include "MessagePump.h"
#include "platform/PlatformPorts.h"
#include "platform/win32/WinKeyInjector.h"
#include "platform/win32/WinKeyTranslator.h"
#include "platform/win32/WinKeyboardHook.h"
#include "platform/win32/WinKeyboardThread.h"
#include "platform/win32/WinOneShotTimer.h"
#include "platform/win32/WinTextCase.h"
#include "scanner/keyboard/KeyboardPorts.h"
#include "scanner/keyboard/ScannerKeyboard.h"

namespace equ::testing {
namespace {

constexpr std::uint32_t kUsLayout = 0x04090409;

TEST(WinKeyTranslator, TranslatesUnderThePrivateKeyState) {
  win32::WinKeyTranslator translator;
  KeyboardState state{};
  std::uint8_t code = 0;
  const UINT scanA = MapVirtualKeyW('A', MAPVK_VK_TO_VSC);
  ASSERT_EQ(translator.Translate('A', scanA, state, kUsLayout, code), 1);
  EXPECT_EQ(code, 'a');
  state[VK_SHIFT] = 0x80;
  ASSERT_EQ(translator.Translate('A', scanA, state, kUsLayout, code), 1);
  EXPECT_EQ(code, 'A');
  ASSERT_EQ(translator.Translate(VK_RETURN, MapVirtualKeyW(VK_RETURN, MAPVK_VK_TO_VSC), state,
                                 kUsLayout, code),
            1);
  EXPECT_EQ(code, '\r');
  EXPECT_EQ(
      translator.Translate(VK_F5, MapVirtualKeyW(VK_F5, MAPVK_VK_TO_VSC), state, kUsLayout, code),
      0);
}

TEST(WinTextCase, UpperCasesLatinAndCyrillic) {
  EXPECT_EQ(win32::WinTextCase().ToUpper(u"abc вай ё"), u"ABC ВАЙ Ё");
}

TEST(WinOneShotTimer, TicksOnceOnThisThreadAfterItsInterval) {
  win32::WinOneShotTimer timer;
  int ticks = 0;
  DWORD tickThread = 0;
  timer.SetTickHandler([&] {
    ++ticks;
    tickThread = GetCurrentThreadId();
  });
  timer.SetInterval(20);
  timer.Start();
  EXPECT_TRUE(timer.IsRunning());
  EXPECT_TRUE(PumpMessagesUntil([&] { return ticks > 0; }, 5000));
  EXPECT_FALSE(timer.IsRunning());
  EXPECT_EQ(tickThread, GetCurrentThreadId());
  PumpMessagesUntil([] { return false; }, 100);
  EXPECT_EQ(ticks, 1);
}

TEST(WinOneShotTimer, StoppedTimerDoesNotTick) {
  win32::WinOneShotTimer timer;
  int ticks = 0;
  timer.SetTickHandler([&] { ++ticks; });
  timer.SetInterval(10);
  timer.Start();
  timer.Stop();
  EXPECT_FALSE(timer.IsRunning());
  PumpMessagesUntil([] { return false; }, 100);
  EXPECT_EQ(ticks, 0);
}

TEST(WinOneShotTimer, HandlerMayDestroyTheTimer) {
  auto timer = std::make_unique<win32::WinOneShotTimer>();
  timer->SetTickHandler([&] { timer.reset(); });
  timer->SetInterval(10);
  timer->Start();
  EXPECT_TRUE(PumpMessagesUntil([&] { return !timer; }, 5000));
}

// A key put into the input stream comes back through the low-level hook with the injected
// flag, its scan code, key-up and extended flags and its extra information.
TEST(WinKeyboardHook, ReplayedKeysComeBackInjectedAndWhole) {
  win32::WinKeyboardHook hook;
  std::vector<RawKeyEvent> seen;
  std::vector<std::uint32_t> messages;
  ASSERT_TRUE(hook.Install([&](std::uint32_t message, const RawKeyEvent& event) {
    if (event.dwExtraInfo >= 0x4B450000u && event.dwExtraInfo < 0x4B460000u) {
      seen.push_back(event);
      messages.push_back(message);
      return true;  // swallowed: nothing reaches the desktop
    }
    return false;
  }));
  EXPECT_TRUE(hook.IsInstalled());
  win32::WinKeyInjector injector;
  injector.Inject({VK_F13, 0x64, 0, 0x4B450001u});
  injector.Inject({VK_F13, 0x64, kKeyStrokeUp, 0x4B450002u});
  injector.Inject({VK_RCONTROL, 0x1D, kKeyStrokeExtended, 0x4B450003u});
  injector.Inject({VK_RCONTROL, 0x1D, kKeyStrokeExtended | kKeyStrokeUp, 0x4B450004u});
  ASSERT_TRUE(PumpMessagesUntil([&] { return seen.size() >= 4; }, 5000)) << seen.size();
  EXPECT_EQ(seen[0].vkCode, static_cast<std::uint32_t>(VK_F13));
  EXPECT_EQ(seen[0].scanCode, 0x64u);
  EXPECT_EQ(seen[0].flags & (kRawKeyInjected | kRawKeyUp), kRawKeyInjected);
  EXPECT_EQ(messages[0], kMsgKeyDown);
  EXPECT_EQ(seen[1].flags & (kRawKeyInjected | kRawKeyUp), kRawKeyInjected | kRawKeyUp);
  EXPECT_EQ(messages[1], kMsgKeyUp);
  EXPECT_EQ(seen[2].flags & (kRawKeyExtended | kRawKeyInjected), kRawKeyExtended | kRawKeyInjected);
  EXPECT_EQ(seen[3].dwExtraInfo, 0x4B450004u);
  hook.Remove();
  EXPECT_FALSE(hook.IsInstalled());
}

// The channel's thread runs work on itself and serves its own message loop: a thread timer made
// there ticks while the calling thread serves nothing.
TEST(WinKeyboardThread, RunsWorkOnItsOwnThreadWithAMessageLoop) {
  auto thread = win32::WinKeyboardThread::Start();
  ASSERT_TRUE(thread) << WideToUtf8(thread.error());
  DWORD worker = 0;
  (*thread)->Call([&] { worker = GetCurrentThreadId(); });
  EXPECT_NE(worker, 0u);
  EXPECT_NE(worker, GetCurrentThreadId());
  std::unique_ptr<win32::WinOneShotTimer> timer;
  std::atomic<DWORD> tickedOn{0};
  (*thread)->Call([&] {
    timer = std::make_unique<win32::WinOneShotTimer>();
    timer->SetInterval(20);
    timer->SetTickHandler([&] { tickedOn = GetCurrentThreadId(); });
    timer->Start();
  });
  for (int i = 0; i < 500 && tickedOn == 0; ++i) Sleep(10);
  EXPECT_EQ(tickedOn.load(), worker);
  (*thread)->Call([&] { timer.reset(); });
  thread->reset();  // ends the loop and joins
}

TEST(WinKeyboardChannel, EnableAndDisableInstallAndRemoveTheHook) {
  TScannerKeyboard channel(KeyboardPortsOf(Platform()));
  EXPECT_FALSE(channel.IsHookInstalled());
  EXPECT_EQ(channel.Enable(), 0);
  EXPECT_TRUE(channel.IsHookInstalled());
  EXPECT_EQ(channel.Enable(), 0);
  EXPECT_TRUE(channel.IsHookInstalled());
  channel.Disable();
  EXPECT_FALSE(channel.IsHookInstalled());
}

// The whole channel on the real ports: injected keys pass it untouched (they are the channel's
// own replays, or another program's input).
TEST(WinKeyboardChannel, InjectedKeysPassTheEnabledChannel) {
  TScannerKeyboard channel(KeyboardPortsOf(Platform()));
  channel.Add(u"", u"");
  channel.Enable();
  win32::WinKeyboardHook observer;  // asked first; passes everything on to the channel
  std::vector<RawKeyEvent> seen;
  ASSERT_TRUE(observer.Install([&](std::uint32_t, const RawKeyEvent& event) {
    if (event.dwExtraInfo == 0x4B450010u) seen.push_back(event);
    return false;
  }));
  win32::WinKeyInjector().Inject({VK_F14, 0x65, 0, 0x4B450010u});
  win32::WinKeyInjector().Inject({VK_F14, 0x65, kKeyStrokeUp, 0x4B450010u});
  EXPECT_TRUE(PumpMessagesUntil([&] { return seen.size() >= 2; }, 5000));
  EXPECT_EQ(channel.HeldEvents().Count(), 0);
  EXPECT_FALSE(channel.IsPaused());
}

}  // namespace
}  // namespace equ::testing
