// The keyboard-wedge channel end to end with real X keystrokes (typed by e2e/keys.sh): a window
// whose EDIT control has the focus, with the channel enabled on the window's thread (interval
// 60 ms, at least 3 characters). The window is shown only once the channel is enabled, so keys
// typed into it after it is mapped reach the channel.
//
//   keyboard_wedge_e2e --gtest_filter=KeyboardWedge.<scenario>
//
// Each scenario serves messages until what it waits for has come (or 20 s pass), then for three
// more intervals, so that a stray barcode or a stray character would be seen too.
#include <windows.h>

#include <gtest/gtest.h>

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
  bool hookInstalled = false;
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
Report Receive(const std::function<bool(const Report&)>& arrived) {
  Report report;
  HWND window = CreateHiddenTestWindow();

  // Older than the channel's hook, so it is asked after the channel: it sees what passed.
  equ::win32::WinKeyboardHook passedKeys;
  const equ::PortStatus watching =
      passedKeys.Install([&report](std::uint32_t, const equ::RawKeyEvent& event) {
        if (event.flags & equ::kRawKeyInjected) {
          ++report.injectedPassed;
        } else {
          ++report.physicalPassed;
        }
        return false;
      });
  EXPECT_TRUE(watching) << equ::WideToUtf8(watching.error());

  equ::TScannerKeyboard channel(equ::KeyboardPortsOf(equ::Platform()));
  channel.SetInterCharInterval(kIntervalMs);
  channel.SetMinDataLen(3);
  channel.Add(u"", u"");
  channel.SetOnGetData([&report](const equ::WideString& value, const equ::WideString& raw) {
    report.barcodes.push_back(Escaped(value) + " RAW " + Escaped(raw));
  });
  channel.Enable();
  report.hookInstalled = channel.IsHookInstalled();

  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  SetFocus(g_edit);
  equ::testing::PumpMessagesUntil(
      [&] {
        report.edit = EditText();
        return arrived(report);
      },
      kWaitMs);
  equ::testing::PumpMessagesUntil([] { return false; }, 3 * kIntervalMs);
  report.edit = EditText();

  channel.Disable();
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

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
