// The settings dialog of the registered driver, operated as a technician would. The program
// creates "Ovex.MorvanelV41" through COM and calls ShowSettingsDlg six times; a probe thread
// inside this process reads what must be read back (tab captions, list cells, page controls)
// and asks settings_dialog.sh, through REQUEST lines in the log, for what only the desktop
// can do: real keystrokes and screenshots. The script answers each request by creating the
// file "ack.N" in the exchange folder.
//
// Usage: settings_dialog_check.exe LOG_FILE EXCHANGE_FOLDER
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "equipment/common/SafeArray.h"
#include "equipment/common/Variant.h"
#include "equipment/common/VariantText.h"
#include "platform/win32/ComDispatchPort.h"
#include "platform/win32/WinText.h"

namespace {

using equ::DispatchArgument;
using equ::Variant;
using equ::WideString;

FILE* gLog = nullptr;
std::wstring gExchange;
int gRequests = 0;

void Log(const std::string& line) {
  std::fputs((line + "\n").c_str(), gLog);
  std::fflush(gLog);
}

std::string Utf8(const std::wstring& text) {
  return equ::WideToUtf8(equ::win32::FromWide(text.c_str(), text.size()));
}

// Asks the script for a desktop action and waits until it is done.
void Request(const std::string& action) {
  const int number = ++gRequests;
  Log("REQUEST " + std::to_string(number) + " " + action);
  const std::wstring ack = gExchange + L"\\ack." + std::to_wstring(number);
  for (int i = 0; i < 600 && GetFileAttributesW(ack.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) {
    Sleep(50);
  }
}

template <class Found>
HWND WaitFor(Found found, int tenths = 100) {
  for (int i = 0; i < tenths * 2; ++i, Sleep(50)) {
    if (HWND window = found(); window != nullptr && IsWindowVisible(window)) return window;
  }
  return nullptr;
}

bool WaitGone(HWND window) {
  for (int i = 0; i < 200; ++i, Sleep(50)) {
    if (!IsWindow(window) || !IsWindowVisible(window)) return true;
  }
  return false;
}

HWND Dialog() {
  return WaitFor([] { return FindWindowW(L"EquCommonSettings", L"Настройки"); });
}

std::wstring Text(HWND window) {
  wchar_t buffer[1024] = L"";
  SendMessageW(window, WM_GETTEXT, std::size(buffer), reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

std::string Rect(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  return std::to_string(r.left) + " " + std::to_string(r.top) + " " +
         std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top);
}

HWND Tabs(HWND dialog) {
  return FindWindowExW(dialog, nullptr, WC_TABCONTROLW, nullptr);
}

std::string TabCaptions(HWND dialog) {
  HWND tabs = Tabs(dialog);
  std::string captions;
  const int count = static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t buffer[128] = L"";
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = std::size(buffer);
    SendMessageW(tabs, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
    captions += (i ? "|" : "") + Utf8(buffer);
  }
  return captions;
}

void SelectTab(HWND dialog, int index) {
  HWND tabs = Tabs(dialog);
  SendMessageW(tabs, TCM_SETCURSEL, index, 0);
  NMHDR header{tabs, static_cast<UINT_PTR>(GetDlgCtrlID(tabs)), static_cast<UINT>(TCN_SELCHANGE)};
  SendMessageW(dialog, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
  Sleep(150);
}

HWND Page(HWND dialog, int index) {
  HWND page = nullptr;
  for (int i = 0; i <= index; ++i)
    page = FindWindowExW(Tabs(dialog), page, L"EquSettingsPage", nullptr);
  return page;
}

// The page's combo box whose first item reads so.
HWND ComboStarting(HWND page, const wchar_t* firstItem) {
  for (HWND combo = FindWindowExW(page, nullptr, WC_COMBOBOXW, nullptr); combo != nullptr;
       combo = FindWindowExW(page, combo, WC_COMBOBOXW, nullptr)) {
    wchar_t buffer[128] = L"";
    SendMessageW(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(buffer));
    if (std::wstring(buffer) == firstItem) return combo;
  }
  return nullptr;
}

// Picks an item as the user does: the selection, then the change notice to the page.
void Pick(HWND combo, int index) {
  SendMessageW(combo, CB_SETCURSEL, index, 0);
  SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
}

HWND Button(HWND window, const wchar_t* caption) {
  return FindWindowExW(window, nullptr, WC_BUTTONW, caption);
}

HWND OpenAdditionalMenu(HWND dialog) {
  PostMessageW(Button(dialog, L"Дополнительно"), BM_CLICK, 0, 0);
  return WaitFor([] { return FindWindowW(L"#32768", nullptr); });
}

void ShotOf(const std::string& name, HWND window) {
  Request("shot " + name + " " + Rect(window));
}

std::wstring Cell(HWND list, int row, int column) {
  wchar_t buffer[256] = L"";
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = std::size(buffer);
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return buffer;
}

int RowCaptioned(HWND list, const wchar_t* caption) {
  const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) {
    if (Cell(list, row, 0) == caption) return row;
  }
  return -1;
}

void SelectRow(HWND list, int row) {
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

// The control that has the keyboard focus in the dialog's thread, named by its class and
// caption (a combo box by its first item).
std::string FocusedControl(HWND dialog) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
  if (info.hwndFocus == nullptr) return "none";
  wchar_t className[64] = L"";
  GetClassNameW(info.hwndFocus, className, std::size(className));
  std::wstring text = Text(info.hwndFocus);
  if (std::wstring(className) == WC_COMBOBOXW) {
    wchar_t first[128] = L"";
    SendMessageW(info.hwndFocus, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
    text = first;
  }
  return Utf8(className) + ":" + Utf8(text);
}

// Tab through the dialog with the RS232 page shown, logging where the focus goes.
void TabThrough(HWND dialog) {
  std::string order = FocusedControl(dialog);
  for (int i = 0; i < 7; ++i) {
    Request("key Tab");
    order += " > " + FocusedControl(dialog);
  }
  Log("tab-order " + order);
}

// Every tab in turn, the Tab order, then the speed changed and Enter.
void ProbeOk() {
  HWND dialog = Dialog();
  if (dialog == nullptr) return Log("PROBE no dialog");
  Log("dialog-rect " + Rect(dialog));
  RECT client;
  GetClientRect(dialog, &client);
  Log("dialog-client " + std::to_string(client.right) + "x" + std::to_string(client.bottom));
  Log("tabs " + TabCaptions(dialog));
  const char* names[] = {"main", "rs232", "keyboard", "info"};
  for (int i = 0; i < 4; ++i) {
    SelectTab(dialog, i);
    ShotOf(std::string("settings_") + names[i], dialog);
  }
  SelectTab(dialog, 1);
  // Context help: answered by the dialog (a popup, or nothing without a help viewer).
  Request("key F1");
  TabThrough(dialog);
  Pick(ComboStarting(Page(dialog, 1), L"2400"), 6);
  Request("key Return");
  Log(WaitGone(dialog) ? "PROBE closed" : "PROBE still open");
}

// The speed changed, then closed by a key: Escape (Cancel) or Alt+F4 (the close box).
void ProbeClosedBy(const std::string& keys, int baudIndex) {
  HWND dialog = Dialog();
  if (dialog == nullptr) return Log("PROBE no dialog");
  SelectTab(dialog, 1);
  Pick(ComboStarting(Page(dialog, 1), L"2400"), baudIndex);
  Request("key " + keys);
  Log(WaitGone(dialog) ? "PROBE closed" : "PROBE still open");
}

// The menu, the full list, the port edited in place, OK in the list and Enter in the dialog.
void ProbeList() {
  HWND dialog = Dialog();
  if (dialog == nullptr) return Log("PROBE no dialog");
  HWND menu = OpenAdditionalMenu(dialog);
  if (menu == nullptr) return Log("PROBE no menu");
  RECT d, m;
  GetWindowRect(dialog, &d);
  GetWindowRect(menu, &m);
  UnionRect(&d, &d, &m);
  Request("shot settings_menu " + std::to_string(d.left) + " " + std::to_string(d.top) + " " +
          std::to_string(d.right - d.left) + " " + std::to_string(d.bottom - d.top));
  Request("key Down Down Down Return");
  HWND window = WaitFor([] { return FindWindowW(L"EquSettingsList", L"Список настроек"); });
  if (window == nullptr) return Log("PROBE no list");
  HWND list = FindWindowExW(window, nullptr, WC_LISTVIEWW, nullptr);
  RECT client;
  GetClientRect(window, &client);
  Log("list-client " + std::to_string(client.right) + "x" + std::to_string(client.bottom));
  const int row = RowCaptioned(list, L"Порт");
  Log("list-rows " + std::to_string(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)));
  Log("list-cell Скорость " + Utf8(Cell(list, RowCaptioned(list, L"Скорость"), 1)) + " " +
      Utf8(Cell(list, RowCaptioned(list, L"Скорость"), 2)));
  SelectRow(list, row);
  ShotOf("settings_list", window);
  Request("key Return");
  Request("type 7");
  Request("key Return");
  Sleep(200);
  Log("list-cell Порт " + Utf8(Cell(list, row, 1)));
  PostMessageW(Button(window, L"ОК"), BM_CLICK, 0, 0);
  Log(WaitGone(window) ? "PROBE list closed" : "PROBE list still open");
  Sleep(200);
  SelectTab(dialog, 1);
  Log("page-port " + Utf8(Text(FindWindowExW(Page(dialog, 1), nullptr, WC_EDITW, nullptr))));
  Request("key Return");
  Log(WaitGone(dialog) ? "PROBE closed" : "PROBE still open");
}

// Reset to defaults from the menu, then OK.
void ProbeReset() {
  HWND dialog = Dialog();
  if (dialog == nullptr) return Log("PROBE no dialog");
  if (OpenAdditionalMenu(dialog) == nullptr) return Log("PROBE no menu");
  Request("key Down Return");
  Sleep(300);
  SelectTab(dialog, 1);
  Log("page-baud " +
      std::to_string(SendMessageW(ComboStarting(Page(dialog, 1), L"2400"), CB_GETCURSEL, 0, 0)));
  Request("key Return");
  Log(WaitGone(dialog) ? "PROBE closed" : "PROBE still open");
}

// The device test with the keyboard scanner chosen on screen: a scan typed into the test
// window becomes its line; the window closed; then Cancel.
void ProbeDeviceTest() {
  HWND dialog = Dialog();
  if (dialog == nullptr) return Log("PROBE no dialog");
  SelectTab(dialog, 0);
  Pick(ComboStarting(Page(dialog, 0), L"Сканер RS232 (COM-порт)"), 1);
  if (OpenAdditionalMenu(dialog) == nullptr) return Log("PROBE no menu");
  Request("key Down Down Return");
  HWND test = WaitFor([] { return FindWindowW(nullptr, L"Тестирование устройства"); });
  if (test == nullptr) return Log("PROBE no test window");
  Request("type 4601234567890");
  HWND memo = FindWindowExW(test, nullptr, WC_EDITW, nullptr);
  std::wstring line;
  for (int i = 0; i < 60 && line.empty(); ++i, Sleep(50)) line = Text(memo);
  Log("test-line " + Utf8(line));
  ShotOf("test_window_from_settings", test);
  PostMessageW(test, WM_CLOSE, 0, 0);
  Log(WaitGone(test) ? "PROBE test closed" : "PROBE test still open");
  Sleep(300);
  Request("key Escape");
  Log(WaitGone(dialog) ? "PROBE closed" : "PROBE still open");
}

void Probe() {
  ProbeOk();
  ProbeClosedBy("Escape", 0);
  ProbeClosedBy("alt+F4", 1);
  ProbeList();
  ProbeReset();
  ProbeDeviceTest();
}

class Driver {
 public:
  explicit Driver(IDispatch* dispatch) : port_(dispatch) {}

  bool Call(const char16_t* name, Variant* outData = nullptr) {
    DispatchArgument args[] = {{Variant(), false}, {Variant(), true}, {Variant(0), false}};
    const bool ok = port_.CallMethod(name, args).ToBool();
    if (outData != nullptr) *outData = args[1].value;
    return ok;
  }

  // The settings as GetSettings gives them: "ID=value" for every row.
  std::vector<std::pair<std::string, std::string>> Settings() {
    Variant table;
    Call(u"GetSettings", &table);
    std::vector<std::pair<std::string, std::string>> rows;
    // One element: the table, seven values for each setting.
    const equ::SafeArray* outer = table.Array();
    const equ::SafeArray* array =
        outer != nullptr && outer->ElementCount() == 1 ? outer->At(0).Array() : nullptr;
    if (array == nullptr || array->Dimensions() != 2) {
      Log("GetSettings gave " + std::string(table.IsByRef() ? "a reference" : "a value") + " of " +
          std::to_string(array ? array->Dimensions() : 0) + " dimensions");
      return rows;
    }
    const auto count = array->Bounds()[1].count;
    for (std::uint32_t row = 0; row < count; ++row) {
      const std::int32_t idAt[] = {0, static_cast<std::int32_t>(row)};
      const std::int32_t valueAt[] = {1, static_cast<std::int32_t>(row)};
      const Variant* id = array->Find(idAt);
      const Variant* value = array->Find(valueAt);
      if (id == nullptr || value == nullptr) continue;
      std::string text;
      try {
        text = equ::WideToUtf8(value->ToString());
      } catch (...) {
        text = "?";
      }
      rows.emplace_back(equ::WideToUtf8(id->ToString()), text);
    }
    return rows;
  }

  std::string Setting(const std::string& id) {
    for (const auto& [name, value] : Settings()) {
      if (name == id) return value;
    }
    return "<none>";
  }

  std::string Fingerprint() {
    std::string all;
    for (const auto& [name, value] : Settings()) all += name + "=" + value + ";";
    return all;
  }

  void ShowSettingsDlg(const std::string& step) {
    const std::string before = Fingerprint();
    Variant out;
    const bool ok = Call(u"ShowSettingsDlg", &out);
    std::string code = "0";
    if (!ok && out.Array() != nullptr) code = equ::WideToUtf8(out.Array()->At(0).ToString());
    Log("CALL " + step + " result=" + (ok ? "True" : "False") + " code=" + code +
        " Baud=" + Setting("Baud") + " PortNumber=" + Setting("PortNumber") + " InterfaceType=" +
        Setting("InterfaceType") + " unchanged=" + (Fingerprint() == before ? "yes" : "no"));
  }

 private:
  equ::win32::ComDispatchPort port_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  gLog = _wfopen(argv[1], L"w");
  if (gLog == nullptr) return 2;
  gExchange = argv[2];
  CoInitialize(nullptr);
  CLSID clsid{};
  IDispatch* dispatch = nullptr;
  if (FAILED(CLSIDFromProgID(L"Ovex.MorvanelV41", &clsid)) ||
      FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(&dispatch)))) {
    Log("cannot create Ovex.MorvanelV41");
    return 2;
  }
  {
    Driver driver(dispatch);
    dispatch->Release();
    std::thread probe(Probe);
    for (const char* step : {"ok", "cancel", "close-box", "list", "reset", "device-test"}) {
      driver.ShowSettingsDlg(step);
    }
    probe.join();
  }
  CoUninitialize();
  Log("DONE");
  std::fclose(gLog);
  return 0;
}
