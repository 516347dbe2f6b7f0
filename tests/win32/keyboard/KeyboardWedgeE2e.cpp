// End-to-end program of the keyboard-wedge channel: a window with an EDIT control that has the
// focus, the channel enabled on the window's thread, and a report of what arrived.
//
//   keyboard_wedge_e2e.exe RESULT_FILE [INTERVAL_MS]
//
// Writes RESULT_FILE.ready once the window is up, then serves messages until RESULT_FILE.stop
// appears; then writes RESULT_FILE (UTF-8) and exits:
//   BARCODE <value> RAW <raw, CR as \r>     one line per barcode delivered through OnGetData
//   EDIT <text of the EDIT control>
//   PHYSICAL_PASSED <n>  INJECTED_PASSED <n>  key events that got past the channel
//   DONE
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/PlatformPorts.h"
#include "platform/win32/WinKeyboardHook.h"
#include "scanner/keyboard/KeyboardPorts.h"
#include "scanner/keyboard/ScannerKeyboard.h"

namespace {

constexpr wchar_t kWindowClass[] = L"KbdWedgeE2EWindow";
constexpr wchar_t kWindowTitle[] = L"KbdWedgeE2E";
constexpr UINT_PTR kStopPollTimer = 1;

struct Report {
  std::vector<std::string> barcodes;
  long physicalPassed = 0;
  long injectedPassed = 0;
};

Report g_report;
HWND g_edit = nullptr;
std::wstring g_stopFile;

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

std::wstring Widen(const char* text) {
  std::wstring result;
  while (*text) result += static_cast<wchar_t>(static_cast<unsigned char>(*text++));
  return result;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETFOCUS:
      if (g_edit) SetFocus(g_edit);
      return 0;
    case WM_TIMER:
      if (wParam == kStopPollTimer &&
          GetFileAttributesW(g_stopFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
        PostQuitMessage(0);
      }
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

HWND CreateTestWindow(HINSTANCE instance) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = &WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kWindowClass;
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, kWindowClass, kWindowTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50,
                                50, 500, 200, nullptr, nullptr, instance, nullptr);
  g_edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 10,
                           10, 460, 30, window, nullptr, instance, nullptr);
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  SetFocus(g_edit);
  return window;
}

void WriteFile(const std::wstring& path, const std::string& text) {
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (!file) return;
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
}

std::string EditText() {
  wchar_t buffer[4096] = {};
  GetWindowTextW(g_edit, buffer, 4096);
  return equ::WideToUtf8(std::u16string(reinterpret_cast<const char16_t*>(buffer)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: keyboard_wedge_e2e RESULT_FILE [INTERVAL_MS]\n");
    return 2;
  }
  const std::wstring resultFile = Widen(argv[1]);
  const unsigned interval = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 60;
  g_stopFile = resultFile + L".stop";

  HINSTANCE instance = GetModuleHandleW(nullptr);
  HWND window = CreateTestWindow(instance);
  SetTimer(window, kStopPollTimer, 100, nullptr);

  // Older than the channel's hook, so it is asked after the channel: it sees what passed.
  equ::win32::WinKeyboardHook passedKeys;
  static_cast<void>(passedKeys.Install([](std::uint32_t, const equ::RawKeyEvent& event) {
    if (event.flags & equ::kRawKeyInjected) {
      ++g_report.injectedPassed;
    } else {
      ++g_report.physicalPassed;
    }
    return false;
  }));

  equ::TScannerKeyboard channel(equ::KeyboardPortsOf(equ::Platform()));
  channel.SetInterCharInterval(interval);
  channel.SetMinDataLen(3);
  channel.Add(u"", u"");
  channel.SetOnGetData([](const equ::WideString& value, const equ::WideString& raw) {
    g_report.barcodes.push_back("BARCODE " + Escaped(value) + " RAW " + Escaped(raw));
  });
  channel.Enable();
  WriteFile(resultFile + L".ready", channel.IsHookInstalled() ? "HOOK\n" : "NOHOOK\n");

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  channel.Disable();

  std::string report;
  for (const std::string& line : g_report.barcodes) report += line + "\n";
  report += "EDIT " + EditText() + "\n";
  report += "PHYSICAL_PASSED " + std::to_string(g_report.physicalPassed) + "\n";
  report += "INJECTED_PASSED " + std::to_string(g_report.injectedPassed) + "\n";
  report += "DONE\n";
  WriteFile(resultFile, report);
  return 0;
}
