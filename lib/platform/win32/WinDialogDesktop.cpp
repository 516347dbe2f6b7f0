#include "WinDialogDesktop.h"

#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <vector>

#include "WinText.h"

namespace equ::win32 {

namespace {

constexpr UINT kHelpDisplayTopic = 0x0000;
constexpr UINT kHelpDisplayTextPopup = 0x000E;

// The popup description HTML Help takes (HH_POPUP).
struct HelpPopupBlock {
  int cbStruct;
  HINSTANCE hinst;
  UINT idString;
  LPCWSTR pszText;
  POINT pt;
  COLORREF clrForeground;
  COLORREF clrBackground;
  RECT rcMargins;
  LPCWSTR pszFont;
};

using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

// The viewer's entry point, loaded once; nullptr when the system has none.
HtmlHelpFunction HtmlHelp() {
  static const HtmlHelpFunction function = [] {
    HMODULE library = LoadLibraryW(L"hhctrl.ocx");
    if (library == nullptr) return HtmlHelpFunction{nullptr};
    return reinterpret_cast<HtmlHelpFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, "HtmlHelpW")));
  }();
  return function;
}

// "Файлы log|*.log;" as the dialog's filter: pairs separated by NULs, two NULs at the end.
std::vector<wchar_t> FilterPairs(const WideString& filter) {
  std::vector<wchar_t> pairs;
  for (char16_t c : filter) pairs.push_back(c == u'|' ? L'\0' : static_cast<wchar_t>(c));
  pairs.push_back(L'\0');
  pairs.push_back(L'\0');
  return pairs;
}

}  // namespace

void WinDialogDesktop::ShowMessage(const WideString& text, const WideString& caption,
                                   TMessageIcon icon) {
  const UINT type = icon == TMessageIcon::miError ? MB_ICONERROR : MB_ICONINFORMATION;
  MessageBoxW(GetActiveWindow(), WidePtr(text), WidePtr(caption), MB_OK | type);
}

void WinDialogDesktop::SetBusyCursor(bool busy) {
  SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

bool WinDialogDesktop::FileExists(const WideString& path) const {
  const DWORD attributes = GetFileAttributesW(WidePtr(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool WinDialogDesktop::ShellOpen(const WideString& target, TShowMode mode) {
  const int show = mode == TShowMode::smMaximized ? SW_SHOWMAXIMIZED : SW_RESTORE;
  const HINSTANCE result =
      ShellExecuteW(GetActiveWindow(), L"Open", WidePtr(target), nullptr, nullptr, show);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

std::optional<WideString> WinDialogDesktop::PickFile(const WideString& folder,
                                                     const WideString& filter) {
  std::vector<wchar_t> pairs = FilterPairs(filter);
  wchar_t file[MAX_PATH] = L"";
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = GetActiveWindow();
  dialog.lpstrFilter = pairs.data();
  dialog.lpstrFile = file;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrInitialDir = folder.empty() ? nullptr : WidePtr(folder);
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameW(&dialog)) return std::nullopt;
  return FromWide(file);
}

void WinDialogDesktop::ShowHelpFile(const WideString& helpFile) {
  if (HtmlHelpFunction help = HtmlHelp()) {
    help(GetActiveWindow(), WidePtr(helpFile), kHelpDisplayTopic, 0);
  }
}

void WinDialogDesktop::ShowHelpPopup(const THelpPopup& popup) {
  HtmlHelpFunction help = HtmlHelp();
  if (help == nullptr) return;
  HelpPopupBlock block{};
  block.cbStruct = sizeof(block);
  block.hinst = nullptr;
  block.idString = static_cast<UINT>(popup.StringID);
  block.pszText = popup.Text.empty() ? nullptr : WidePtr(popup.Text);
  block.pt = POINT{popup.Position.X, popup.Position.Y};
  block.clrForeground = popup.TextColor;
  block.clrBackground = popup.BackColor;
  block.rcMargins = RECT{popup.Margin, popup.Margin, popup.Margin, popup.Margin};
  block.pszFont = nullptr;
  const wchar_t* location = popup.Location.empty() ? nullptr : WidePtr(popup.Location);
  help(GetActiveWindow(), location, kHelpDisplayTextPopup, reinterpret_cast<DWORD_PTR>(&block));
}

}  // namespace equ::win32
