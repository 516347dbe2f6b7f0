// The device test window in a host that quits while it is open: the window is modal for every
// window of the host, and a WM_QUIT closes it properly (the driver disabled, the keyboard hook
// and lock given back) and reaches the host's own message loop afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

#include "platform/PlatformPorts.h"
#include "scanner/Driver.h"

namespace equ {
namespace {

constexpr wchar_t kCaption[] = L"Тестирование устройства";
constexpr WPARAM kExitCode = 3;

HWND CreateHostWindow() {
  return CreateWindowExW(0, L"STATIC", L"Host window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300,
                         200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// Serves the thread's messages for a while; answers whether a WM_QUIT came, and its code.
bool QuitArrives(WPARAM& code) {
  const ULONGLONG end = GetTickCount64() + 3000;
  while (GetTickCount64() < end) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        code = message.wParam;
        return true;
      }
      DispatchMessageW(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return false;
}

TEST(TestWindowQuitTest, QuitClosesTheWindowProperlyAndReachesTheHost) {
  HWND host = CreateHostWindow();
  ASSERT_NE(host, nullptr);
  auto driver = MakeObject<TDriver>(DriverPortsOf(Platform()));
  driver->SetSettingValue(u"InterfaceType", Variant(1));
  const DWORD hostThread = GetCurrentThreadId();
  std::atomic<bool> opened{false};
  std::atomic<bool> hostOffWhileOpen{false};
  std::thread quitter([&] {
    HWND window = nullptr;
    for (int i = 0; i < 200 && window == nullptr; ++i, Sleep(25)) {
      window = FindWindowW(nullptr, kCaption);
    }
    opened = window != nullptr;
    hostOffWhileOpen = !IsWindowEnabled(host);
    PostThreadMessageW(hostThread, WM_QUIT, kExitCode, 0);
    // Without a proper close the window would stay: close it so the test cannot hang.
    for (int i = 0; i < 40 && IsWindow(window); ++i) Sleep(25);
    if (IsWindow(window)) PostMessageW(window, WM_CLOSE, 0, 0);
  });
  WideString description;
  EXPECT_TRUE(driver->DeviceTest(description));
  quitter.join();

  EXPECT_TRUE(opened);
  EXPECT_TRUE(hostOffWhileOpen) << "the host's window took input while the test window was open";
  EXPECT_TRUE(IsWindowEnabled(host)) << "the host's window is switched on again";
  EXPECT_FALSE(driver->Enabled());
  EXPECT_FALSE(driver->HoldsKeyboardMutex());
  EXPECT_EQ(FindWindowW(nullptr, kCaption), nullptr);
  WPARAM code = 0;
  EXPECT_TRUE(QuitArrives(code)) << "the quit was swallowed: the host would never exit";
  EXPECT_EQ(code, kExitCode);

  auto other = MakeObject<TDriver>(DriverPortsOf(Platform()));
  other->SetSettingValue(u"InterfaceType", Variant(1));
  EXPECT_EQ(other->Enable(description), 0) << WideToUtf8(description);
  other->Disable();
  DestroyWindow(host);
}

}  // namespace
}  // namespace equ
