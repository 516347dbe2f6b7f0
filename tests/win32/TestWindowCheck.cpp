// The device test window end to end (driven by e2e/keys.sh): opened the way the settings
// dialog opens it (DeviceTest) with the keyboard channel, a barcode typed as a fast burst
// becomes a line of the window, the window is photographed, and closing it disables the driver
// without the test scan having been queued.
//
//   test_window_check SCREENSHOT_PNG [GoogleTest options]
//
// A second thread watches the window: once the line is shown it prints "ready for the
// screenshot"; when standard input closes (keys.sh has taken the screenshot) it closes the
// window as its close box does (there is no window manager to press it).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>

#include "equipment/common/Exceptions.h"
#include "platform/PlatformPorts.h"
#include "scanner/Driver.h"

namespace {

constexpr wchar_t kCaption[] = L"Тестирование устройства";
constexpr wchar_t kBarcode[] = L"4601234567890";
std::wstring g_screenshot;

struct Watch {
  bool windowOpened = false;
  bool lineShown = false;
};

HWND WaitForWindow(int timeoutMs) {
  for (int waited = 0; waited < timeoutMs; waited += 20, Sleep(20)) {
    if (HWND window = FindWindowW(nullptr, kCaption)) return window;
  }
  return nullptr;
}

bool WaitForLine(HWND window, int timeoutMs) {
  HWND memo = FindWindowExW(window, nullptr, L"EDIT", nullptr);
  for (int waited = 0; memo != nullptr && waited < timeoutMs; waited += 20, Sleep(20)) {
    wchar_t text[1024] = {};
    GetWindowTextW(memo, text, 1024);
    if (std::wstring(text).find(kBarcode) != std::wstring::npos) return true;
  }
  return false;
}

void WatchTheWindow(Watch& watch) {
  HWND window = WaitForWindow(20000);
  watch.windowOpened = window != nullptr;
  if (window == nullptr) return;
  watch.lineShown = WaitForLine(window, 20000);
  std::fputs("ready for the screenshot\n", stdout);
  std::fflush(stdout);
  char line[64];
  while (std::fgets(line, sizeof line, stdin) != nullptr) {
  }
  PostMessageW(window, WM_CLOSE, 0, 0);
}

std::int64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

TEST(TestWindow, burst_line_and_close) {
  Watch watch;
  std::thread watcher(WatchTheWindow, std::ref(watch));
  auto driver = equ::MakeObject<equ::TDriver>(equ::DriverPortsOf(equ::Platform()));
  driver->SetSettingValue(u"InterfaceType", equ::Variant(1));
  equ::WideString description;
  try {
    driver->DeviceTest(description);
  } catch (const std::exception& e) {
    ADD_FAILURE() << "DeviceTest failed: " << e.what();
  }
  watcher.join();
  EXPECT_TRUE(watch.windowOpened) << "the test window 'Тестирование устройства' opens";
  EXPECT_TRUE(watch.lineShown) << "the typed burst became a line of the window";
  EXPECT_GT(FileSize(g_screenshot), 0) << "the screenshot of the window was kept";
  EXPECT_FALSE(driver->Enabled()) << "closing the window disables the driver";
  EXPECT_EQ(driver->ScanDataList().Count(), 0u) << "the test scan was not queued";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc < 2) {
    std::fputs("usage: test_window_check SCREENSHOT_PNG [GoogleTest options]\n", stderr);
    return 64;
  }
  g_screenshot = argv[1];
  return RUN_ALL_TESTS();
}
