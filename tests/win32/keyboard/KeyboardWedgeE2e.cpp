// The keyboard-wedge channel end to end with real X keystrokes (typed by e2e/keys.sh): a window
// whose EDIT control has the focus, with the channel enabled from the window's thread (interval
// 60 ms, at least 3 characters; the hook runs on the channel's own thread, barcodes come back
// to the window's thread). The window is shown only once the channel is enabled, so keys typed
// into it after it is mapped reach the channel.
//
//   keyboard_wedge_e2e --gtest_filter=KeyboardWedge.<scenario>
//
// Each scenario serves messages until what it waits for has come (or 20 s pass), then for three
// more intervals, so that a stray barcode or a stray character would be seen too.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "MessagePump.h"
#include "platform/PlatformPorts.h"
#include "platform/win32/WinKeyboardHook.h"
#include "scanner/keyboard/KeyboardPorts.h"
#include "scanner/keyboard/ScannerKeyboard.h"

namespace {

constexpr wchar_t kWindowClass[] = L"KbdWedgeE2EWindow";
constexpr wchar_t kWindowTitle[] = L"KbdWedgeE2E";
constexpr unsigned kIntervalMs = 60;
constexpr DWORD kWaitMs = 20000;

// What arrived: barcodes through OnGetData, the EDIT control's text, the key events that got
// past the channel.
struct Report {
  std::vector<std::string> barcodes;  // "<value> RAW <raw, CR as \r>"
  std::string edit;
  long physicalPassed = 0;
  long injectedPassed = 0;
  long returnsPassed = 0;  // Enter key-downs that got past the channel
  bool hookInstalled = false;
  bool shiftDown = false;  // what the system believes at the end
  // Barcodes delivered on another thread than the window's.
  int deliveredOffThread = 0;
};

// How a scenario's host behaves.
struct Host {
  const char16_t* prefix = u"";
  const char16_t* postfix = u"";
  DWORD dataEventMs = 0;        // how long the handler of each barcode works
  DWORD busyAfterShowMs = 0;    // how long the thread works without messages once shown
  bool releaseEnabled = false;  // the channel is destroyed while enabled, before the keys
};

HWND g_edit = nullptr;

std::string Escaped(const std::u16string& text) {
  std::string result;
  for (char16_t c : text) {
    if (c == u'\r') {
      result += "\\r";
    } else if (c == u'\n') {
      result += "\\n";
    } else {
      result += equ::WideToUtf8(std::u16string(1, c));
    }
  }
  return result;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETFOCUS && g_edit) {
    SetFocus(g_edit);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateHiddenTestWindow() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = &WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kWindowClass;
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, kWindowClass, kWindowTitle, WS_OVERLAPPEDWINDOW, 50, 50, 500,
                                200, nullptr, nullptr, instance, nullptr);
  g_edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 10,
                           10, 460, 30, window, nullptr, instance, nullptr);
  return window;
}

std::string EditText() {
  wchar_t buffer[4096] = {};
  GetWindowTextW(g_edit, buffer, 4096);
  return equ::WideToUtf8(std::u16string(reinterpret_cast<const char16_t*>(buffer)));
}

// Shows the window with the channel enabled and serves messages until arrived(report) answers
// true; answers what arrived.
Report Receive(const std::function<bool(const Report&)>& arrived, const Host& host = Host{}) {
  Report report;
  HWND window = CreateHiddenTestWindow();

  // Older than the channel's hook, so it is asked after the channel: it sees what passed.
  equ::win32::WinKeyboardHook passedKeys;
  const equ::PortStatus watching =
      passedKeys.Install([&report](std::uint32_t message, const equ::RawKeyEvent& event) {
        if (event.flags & equ::kRawKeyInjected) {
          ++report.injectedPassed;
        } else {
          ++report.physicalPassed;
        }
        if (event.vkCode == VK_RETURN && message == equ::kMsgKeyDown) ++report.returnsPassed;
        return false;
      });
  EXPECT_TRUE(watching) << equ::WideToUtf8(watching.error());

  const DWORD windowThread = GetCurrentThreadId();
  auto channel = std::make_unique<equ::TScannerKeyboard>(equ::KeyboardPortsOf(equ::Platform()));
  channel->SetInterCharInterval(kIntervalMs);
  channel->SetMinDataLen(3);
  channel->Add(host.prefix, host.postfix);
  channel->SetOnGetData(
      [&report, &host, windowThread](const equ::WideString& value, const equ::WideString& raw) {
        report.barcodes.push_back(Escaped(value) + " RAW " + Escaped(raw));
        if (GetCurrentThreadId() != windowThread) ++report.deliveredOffThread;
        if (host.dataEventMs) Sleep(host.dataEventMs);
      });
  EXPECT_EQ(channel->Enable(), 0) << equ::WideToUtf8(channel->ResultDescription());
  report.hookInstalled = channel->IsHookInstalled();
  if (host.releaseEnabled) channel.reset();

  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  SetFocus(g_edit);
  if (host.busyAfterShowMs) Sleep(host.busyAfterShowMs);
  equ::testing::PumpMessagesUntil(
      [&] {
        report.edit = EditText();
        return arrived(report);
      },
      kWaitMs);
  equ::testing::PumpMessagesUntil([] { return false; }, 3 * kIntervalMs);
  report.edit = EditText();
  report.shiftDown = (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0;

  if (channel) channel->Disable();
  DestroyWindow(window);
  return report;
}

// A scanner's burst: 5 ms between keys, ending with Enter.
TEST(KeyboardWedge, burst) {
  const Report report = Receive([](const Report& r) { return !r.barcodes.empty(); });
  ASSERT_TRUE(report.hookInstalled) << "the channel installed its hook";
  EXPECT_EQ(report.barcodes, std::vector<std::string>{"4006381333931 RAW 4006381333931\\r"})
      << "one barcode delivered: value 4006381333931, raw data with its CR";
  EXPECT_EQ(report.edit, "") << "nothing reached the EDIT control";
}

// A burst typed as text, ending without Enter.
TEST(KeyboardWedge, typed_burst) {
  const Report report = Receive([](const Report& r) { return !r.barcodes.empty(); });
  ASSERT_TRUE(report.hookInstalled) << "the channel installed its hook";
  EXPECT_EQ(report.barcodes, std::vector<std::string>{"98765432 RAW 98765432"})
      << "delivered as the one barcode 98765432";
  EXPECT_EQ(report.edit, "") << "nothing reached the EDIT control";
}

// A person typing: 150 ms between keys.
TEST(KeyboardWedge, typing) {
  const std::string typed = "Hello World 42";
  const Report report = Receive([&](const Report& r) { return r.edit.size() >= typed.size(); });
  ASSERT_TRUE(report.hookInstalled) << "the channel installed its hook";
  EXPECT_TRUE(report.barcodes.empty()) << "no barcode (got " << report.barcodes.size() << ")";
  EXPECT_EQ(report.edit, typed) << "the EDIT control holds the typed text, in order, with capitals";
  // Every key-down (and the key-up that came while it was held) is replayed.
  EXPECT_GE(report.injectedPassed, static_cast<long>(typed.size()))
      << "the replayed events came back through the hook marked as injected and passed";
}

// Shift held 300 ms and released inside a burst, then "abc" typed slowly: the barcode arrives,
// Shift is up again and the letters are small.
TEST(KeyboardWedge, stuck_shift) {
  const Report report = Receive([](const Report& r) { return r.edit.size() >= 3; });
  ASSERT_TRUE(report.hookInstalled) << "the channel installed its hook";
  EXPECT_EQ(report.barcodes, std::vector<std::string>{"123456 RAW 123456\\r"})
      << "the burst is one barcode";
  EXPECT_EQ(report.edit, "abc") << "typed after the burst with Shift up again";
  EXPECT_FALSE(report.shiftDown) << "the system does not see Shift down";
}

// A burst followed 5 ms later by the Down arrow (a scanner's suffix): one barcode, and the
// field stays empty.
TEST(KeyboardWedge, burst_then_down) {
  const Report report = Receive([](const Report& r) { return !r.barcodes.empty(); });
  ASSERT_TRUE(report.hookInstalled) << "the channel installed its hook";
  EXPECT_EQ(report.barcodes, std::vector<std::string>{"123456 RAW 123456"})
      << "the burst and its arrow are one barcode";
  EXPECT_EQ(report.edit, "") << "nothing reached the EDIT control";
  EXPECT_EQ(report.physicalPassed, 0) << "no key of the scan got past the channel";
}

// A prefix/postfix scanner ("%" ... Enter): the code arrives, and after the pause the Enter
// reaches the application.
TEST(KeyboardWedge, prefix_postfix_enter) {
  Host host;
  host.prefix = u"%";
  host.postfix = u"#013";
  const Report report =
      Receive([](const Report& r) { return !r.barcodes.empty() && r.returnsPassed > 0; }, host);
  ASSERT_TRUE(report.hookInstalled) << "the channel installed its hook";
  EXPECT_EQ(report.barcodes, std::vector<std::string>{"4711 RAW %4711\\r"})
      << "one barcode delivered: 4711";
  EXPECT_EQ(report.returnsPassed, 1) << "the completing Enter reached the application once";
  EXPECT_EQ(report.edit, "") << "nothing else reached the EDIT control";
}

// A host whose DataEvent takes a second: the next scan is still a barcode, delivered on the
// window's thread.
TEST(KeyboardWedge, slow_data_event) {
  Host host;
  host.dataEventMs = 1000;
  const Report report = Receive([](const Report& r) { return r.barcodes.size() >= 2; }, host);
  ASSERT_TRUE(report.hookInstalled) << "the channel installed its hook";
  EXPECT_EQ(report.barcodes, (std::vector<std::string>{"123 RAW 123\\r", "456 RAW 456\\r"}))
      << "both scans are barcodes, in order";
  EXPECT_EQ(report.deliveredOffThread, 0) << "barcodes are delivered on the window's thread";
  EXPECT_EQ(report.edit, "") << "nothing reached the EDIT control";
}

// A host that works for 3 s without handling messages while a burst is typed receives that
// barcode once it is back; the field stays empty.
TEST(KeyboardWedge, busy_host) {
  Host host;
  host.busyAfterShowMs = 3000;
  const Report report = Receive([](const Report& r) { return !r.barcodes.empty(); }, host);
  ASSERT_TRUE(report.hookInstalled) << "the channel installed its hook";
  EXPECT_EQ(report.barcodes, std::vector<std::string>{"98765432 RAW 98765432"})
      << "the barcode typed while the host was busy";
  EXPECT_EQ(report.edit, "") << "nothing reached the EDIT control";
}

// A channel released while enabled leaves no hook behind: keys typed afterwards go straight to
// the field, none of them held and replayed.
TEST(KeyboardWedge, released_while_enabled) {
  Host host;
  host.releaseEnabled = true;
  const Report report = Receive([](const Report& r) { return r.edit.size() >= 6; }, host);
  ASSERT_TRUE(report.hookInstalled) << "the channel had installed its hook";
  EXPECT_TRUE(report.barcodes.empty()) << "no barcode once released";
  EXPECT_EQ(report.edit, "123456") << "the burst reached the EDIT control unheld";
  EXPECT_EQ(report.injectedPassed, 0) << "nothing was held and replayed";
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
