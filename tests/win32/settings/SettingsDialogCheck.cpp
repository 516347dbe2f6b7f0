// The settings dialog of the registered driver, operated as a technician would. The program
// creates "Ovex.MorvanelV41" through COM and calls ShowSettingsDlg six times; a probe thread
// inside this process reads what must be read back (tab captions, list cells, page controls)
// and asks e2e/desktop.sh for what only the desktop can do, real keystrokes and screenshots:
// it prints a line "REQUEST <action>" and reads the answer from standard input. Each check is
// a GoogleTest test over what the one session observed.
//
//   settings_dialog_check [GoogleTest options]   run by e2e/desktop.sh inside
//                                                `explorer /desktop=...` (e2e/CMakeLists.txt)
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "equipment/common/SafeArray.h"
#include "equipment/common/Variant.h"
#include "equipment/common/VariantText.h"
#include "platform/win32/ComDispatchPort.h"
#include "platform/win32/WinHandles.h"
#include "platform/win32/WinText.h"

namespace {

using equ::DispatchArgument;
using equ::Variant;
using equ::WideString;

constexpr int kWaitMs = 10000;

std::mutex gOutput;

void Log(const std::string& line) {
  const std::lock_guard<std::mutex> lock(gOutput);
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

// One screenshot desktop.sh took on request.
struct Shot {
  std::string name;
  std::string windowSize;  // "WxH" of the window (or the rectangle) photographed
  std::string answer;      // desktop.sh's "WxH COLOURS" of the picture it took
};
// What the probe thread read back, by name ("tabs", "list-client", ...), the screenshots, and
// the windows it waited for in vain. Written by the probe thread only, read after it joined.
std::map<std::string, std::string> gSeen;
std::vector<Shot> gShots;
std::vector<std::string> gProblems;

void Seen(const std::string& name, const std::string& value) {
  Log(name + " " + value);
  gSeen[name] = value;
}

void Problem(const std::string& what) {
  Log("PROBE " + what);
  gProblems.push_back(what);
}

std::string Utf8(const std::wstring& text) {
  return equ::WideToUtf8(equ::win32::FromWide(text.c_str(), text.size()));
}

// Asks desktop.sh for a desktop action; answers its reply once the action is done.
std::string Request(const std::string& action) {
  Log("REQUEST " + action);
  char answer[256] = {};
  if (std::fgets(answer, sizeof answer, stdin) == nullptr) return "(no answer)";
  std::string reply = answer;
  while (!reply.empty() && (reply.back() == '\n' || reply.back() == '\r')) reply.pop_back();
  return reply;
}

// Polls the condition until it holds or the time is up; answers whether it held.
bool WaitUntil(const std::function<bool()>& holds, int timeoutMs = kWaitMs) {
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
  while (!holds()) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(20);
  }
  return true;
}

template <class Found>
HWND WaitFor(Found found) {
  HWND window = nullptr;
  WaitUntil([&] {
    window = found();
    return window != nullptr && IsWindowVisible(window);
  });
  return window != nullptr && IsWindowVisible(window) ? window : nullptr;
}

bool WaitGone(HWND window) {
  return WaitUntil([window] { return !IsWindow(window) || !IsWindowVisible(window); });
}

// Paints the window and its children now (WM_PAINT sent to the dialog's thread and answered).
void PaintNow(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
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
  PaintNow(dialog);
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

// A screenshot of the rectangle (screen coordinates), kept with the size it must have.
void ShotOfRect(const std::string& name, const RECT& r) {
  const std::string size =
      std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
  const std::string answer =
      Request("shot " + name + " " + std::to_string(r.left) + " " + std::to_string(r.top) + " " +
              std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top));
  Log("shot " + name + " of a " + size + " window: " + answer);
  gShots.push_back({name, size, answer});
}

void ShotOf(const std::string& name, HWND window) {
  PaintNow(window);
  RECT r;
  GetWindowRect(window, &r);
  ShotOfRect(name, r);
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

// Tab through the dialog with the RS232 page shown, noting where the focus goes (each Tab is
// waited for until the focus has moved).
void TabThrough(HWND dialog) {
  std::string focused = FocusedControl(dialog);
  std::string order = focused;
  for (int i = 0; i < 7; ++i) {
    Request("key Tab");
    const std::string before = focused;
    WaitUntil([&] { return (focused = FocusedControl(dialog)) != before; });
    order += " > " + focused;
  }
  Seen("tab-order", order);
}

// Every tab in turn, the Tab order, then the speed changed and Enter.
void ProbeOk() {
  HWND dialog = Dialog();
  if (dialog == nullptr) return Problem("no dialog");
  Log("dialog-rect " + Rect(dialog));
  RECT client;
  GetClientRect(dialog, &client);
  Seen("dialog-client", std::to_string(client.right) + "x" + std::to_string(client.bottom));
  Seen("tabs", TabCaptions(dialog));
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
  if (dialog == nullptr) return Problem("no dialog");
  SelectTab(dialog, 1);
  Pick(ComboStarting(Page(dialog, 1), L"2400"), baudIndex);
  Request("key " + keys);
  Log(WaitGone(dialog) ? "PROBE closed" : "PROBE still open");
}

// The menu, the full list, the port edited in place, OK in the list and Enter in the dialog.
void ProbeList() {
  HWND dialog = Dialog();
  if (dialog == nullptr) return Problem("no dialog");
  HWND menu = OpenAdditionalMenu(dialog);
  if (menu == nullptr) return Problem("no menu");
  RECT d, m;
  GetWindowRect(dialog, &d);
  GetWindowRect(menu, &m);
  UnionRect(&d, &d, &m);
  ShotOfRect("settings_menu", d);
  Request("key Down Down Down Return");
  HWND window = WaitFor([] { return FindWindowW(L"EquSettingsList", L"Список настроек"); });
  if (window == nullptr) return Problem("no list");
  HWND list = FindWindowExW(window, nullptr, WC_LISTVIEWW, nullptr);
  RECT client;
  GetClientRect(window, &client);
  Seen("list-client", std::to_string(client.right) + "x" + std::to_string(client.bottom));
  const int row = RowCaptioned(list, L"Порт");
  Log("list-rows " + std::to_string(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)));
  Seen("list-cell Скорость", Utf8(Cell(list, RowCaptioned(list, L"Скорость"), 1)) + " " +
                                 Utf8(Cell(list, RowCaptioned(list, L"Скорость"), 2)));
  SelectRow(list, row);
  ShotOf("settings_list", window);
  Request("key Return");
  Request("type 7");
  Request("key Return");
  WaitUntil([&] { return Cell(list, row, 1) == L"7"; });
  Seen("list-cell Порт", Utf8(Cell(list, row, 1)));
  PostMessageW(Button(window, L"ОК"), BM_CLICK, 0, 0);
  Log(WaitGone(window) ? "PROBE list closed" : "PROBE list still open");
  SelectTab(dialog, 1);
  HWND portEdit = FindWindowExW(Page(dialog, 1), nullptr, WC_EDITW, nullptr);
  WaitUntil([&] { return Text(portEdit) == L"7"; });
  Seen("page-port", Utf8(Text(portEdit)));
  Request("key Return");
  Log(WaitGone(dialog) ? "PROBE closed" : "PROBE still open");
}

// Reset to defaults from the menu, then OK.
void ProbeReset() {
  HWND dialog = Dialog();
  if (dialog == nullptr) return Problem("no dialog");
  if (OpenAdditionalMenu(dialog) == nullptr) return Problem("no menu");
  Request("key Down Return");
  SelectTab(dialog, 1);
  HWND baud = ComboStarting(Page(dialog, 1), L"2400");
  WaitUntil([&] { return SendMessageW(baud, CB_GETCURSEL, 0, 0) == 2; });
  Seen("page-baud", std::to_string(SendMessageW(baud, CB_GETCURSEL, 0, 0)));
  Request("key Return");
  Log(WaitGone(dialog) ? "PROBE closed" : "PROBE still open");
}

// The device test with the keyboard scanner chosen on screen: a scan typed into the test
// window becomes its line; the window closed; then Cancel.
void ProbeDeviceTest() {
  HWND dialog = Dialog();
  if (dialog == nullptr) return Problem("no dialog");
  SelectTab(dialog, 0);
  Pick(ComboStarting(Page(dialog, 0), L"Сканер RS232 (COM-порт)"), 1);
  if (OpenAdditionalMenu(dialog) == nullptr) return Problem("no menu");
  Request("key Down Down Return");
  HWND test = WaitFor([] { return FindWindowW(nullptr, L"Тестирование устройства"); });
  if (test == nullptr) return Problem("no test window");
  Request("type 4601234567890");
  HWND memo = FindWindowExW(test, nullptr, WC_EDITW, nullptr);
  std::wstring line;
  WaitUntil([&] { return !(line = Text(memo)).empty(); });
  Seen("test-line", Utf8(line));
  ShotOf("test_window_from_settings", test);
  PostMessageW(test, WM_CLOSE, 0, 0);
  Log(WaitGone(test) ? "PROBE test closed" : "PROBE test still open");
  // Escape must reach the dialog: it has to be active again once the test window has gone.
  WaitUntil([dialog] {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) &&
           info.hwndActive == dialog;
  });
  Request("key Escape");
  Log(WaitGone(dialog) ? "PROBE closed" : "PROBE still open");
}

bool gProbeFinished = false;

void Probe() {
  ProbeOk();
  ProbeClosedBy("Escape", 0);
  ProbeClosedBy("alt+F4", 1);
  ProbeList();
  ProbeReset();
  ProbeDeviceTest();
  gProbeFinished = true;
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

  // One ShowSettingsDlg call and the settings after it.
  struct Outcome {
    bool result = false;
    std::string code, baud, portNumber, interfaceType;
    bool unchanged = false;
  };

  Outcome ShowSettingsDlg(const std::string& step) {
    const std::string before = Fingerprint();
    Variant out;
    Outcome outcome;
    outcome.result = Call(u"ShowSettingsDlg", &out);
    outcome.code = "0";
    if (!outcome.result && out.Array() != nullptr)
      outcome.code = equ::WideToUtf8(out.Array()->At(0).ToString());
    outcome.baud = Setting("Baud");
    outcome.portNumber = Setting("PortNumber");
    outcome.interfaceType = Setting("InterfaceType");
    outcome.unchanged = Fingerprint() == before;
    Log("CALL " + step + " result=" + (outcome.result ? "True" : "False") +
        " code=" + outcome.code + " Baud=" + outcome.baud + " PortNumber=" + outcome.portNumber +
        " InterfaceType=" + outcome.interfaceType +
        " unchanged=" + (outcome.unchanged ? "yes" : "no"));
    return outcome;
  }

 private:
  equ::win32::ComDispatchPort port_;
};

// The one session every check reads: six dialogs operated while the probe thread watches.
struct Session {
  bool created = false;
  std::map<std::string, Driver::Outcome> calls;
};

const Session& TheSession() {
  static const Session session = [] {
    Session run;
    CoInitialize(nullptr);
    CLSID clsid{};
    equ::win32::ComPtr<IDispatch> dispatch;
    run.created = SUCCEEDED(CLSIDFromProgID(L"Ovex.MorvanelV41", &clsid)) &&
                  SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                             dispatch.put_void()));
    if (run.created) {
      Driver driver(dispatch.get());
      std::thread probe(Probe);
      for (const char* step : {"ok", "cancel", "close-box", "list", "reset", "device-test"})
        run.calls[step] = driver.ShowSettingsDlg(step);
      probe.join();
    }
    CoUninitialize();
    return run;
  }();
  return session;
}

std::string SeenOf(const std::string& name) {
  const auto found = gSeen.find(name);
  return found == gSeen.end() ? "(not seen)" : found->second;
}

// The outcome of one step; a failed expectation when that call did not happen.
Driver::Outcome CallOf(const std::string& step) {
  const auto& calls = TheSession().calls;
  const auto found = calls.find(step);
  EXPECT_NE(found, calls.end()) << "ShowSettingsDlg was called for the step " << step;
  return found == calls.end() ? Driver::Outcome{} : found->second;
}

class SettingsDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(TheSession().created) << "Ovex.MorvanelV41 is created through COM";
  }
};

TEST_F(SettingsDialog, the_probe_ran_through_all_six_dialogs) {
  EXPECT_TRUE(gProbeFinished) << "the probe thread reached its end";
  EXPECT_TRUE(gProblems.empty()) << "a window the probe waited for never came: "
                                 << ::testing::PrintToString(gProblems);
}

TEST_F(SettingsDialog, opens_with_its_four_tabs) {
  EXPECT_EQ(SeenOf("tabs"), "Основные настройки|Сканер RS232|Сканер клавиатурный|Информация");
}

TEST_F(SettingsDialog, client_area_is_324_by_375) {
  EXPECT_EQ(SeenOf("dialog-client"), "324x375");
}

TEST_F(SettingsDialog, tab_runs_from_the_tabs_through_the_page_to_the_footer_and_round) {
  EXPECT_EQ(SeenOf("tab-order"),
            "SysTabControl32: > Edit:1 > ComboBox:2400 > ComboBox:По символу конца строки > "
            "Button:Дополнительно > Button:ОК > Button:Отмена > SysTabControl32:");
}

TEST_F(SettingsDialog, changed_speed_and_enter_saves_it) {
  const auto ok = CallOf("ok");
  EXPECT_TRUE(ok.result) << "ShowSettingsDlg answers True";
  EXPECT_EQ(ok.code, "0");
  EXPECT_EQ(ok.baud, "115200") << "GetSettings reads the new speed";
}

TEST_F(SettingsDialog, changed_speed_and_escape_or_alt_f4_keeps_the_old_one) {
  for (const char* step : {"cancel", "close-box"}) {
    SCOPED_TRACE(step);
    const auto closed = CallOf(step);
    EXPECT_FALSE(closed.result) << "ShowSettingsDlg answers False";
    EXPECT_EQ(closed.code, "201");
    EXPECT_EQ(closed.baud, "115200") << "the speed stored before stays";
    EXPECT_TRUE(closed.unchanged) << "no setting changed";
  }
}

TEST_F(SettingsDialog, list_client_area_is_374_by_379) {
  EXPECT_EQ(SeenOf("list-client"), "374x379");
}

TEST_F(SettingsDialog, list_shows_value_and_default) {
  EXPECT_EQ(SeenOf("list-cell Скорость"), "115200 9600");
}

TEST_F(SettingsDialog, list_edits_the_port_in_place_and_ok_keeps_it) {
  EXPECT_EQ(SeenOf("list-cell Порт"), "7") << "the cell shows the typed port";
  EXPECT_EQ(SeenOf("page-port"), "7") << "the page shows the list's value after OK in the list";
  const auto list = CallOf("list");
  EXPECT_TRUE(list.result);
  EXPECT_EQ(list.code, "0");
  EXPECT_EQ(list.portNumber, "7") << "OK after the list stores its edit";
}

TEST_F(SettingsDialog, reset_to_defaults_and_ok_stores_the_defaults) {
  EXPECT_EQ(SeenOf("page-baud"), "2") << "the page shows the default speed";
  const auto reset = CallOf("reset");
  EXPECT_TRUE(reset.result);
  EXPECT_EQ(reset.code, "0");
  EXPECT_EQ(reset.baud, "9600");
  EXPECT_EQ(reset.portNumber, "1");
}

TEST_F(SettingsDialog, scan_typed_into_the_test_window_shows_and_cancel_keeps_the_settings) {
  EXPECT_EQ(SeenOf("test-line"), "4601234567890") << "the typed scan is the test window's line";
  const auto test = CallOf("device-test");
  EXPECT_FALSE(test.result);
  EXPECT_EQ(test.code, "201");
  EXPECT_EQ(test.interfaceType, "0") << "the interface chosen on screen is not stored";
  EXPECT_TRUE(test.unchanged) << "after the device test and Cancel the settings are as before";
}

// Each picture has the size of the window it shows and is not blank (more than 8 colours).
TEST_F(SettingsDialog, screenshots_show_the_windows) {
  const std::vector<std::string> expected{
      "settings_main", "settings_rs232", "settings_keyboard",        "settings_info",
      "settings_menu", "settings_list",  "test_window_from_settings"};
  std::vector<std::string> taken;
  for (const Shot& shot : gShots) {
    taken.push_back(shot.name);
    int width = 0, height = 0;
    long colours = 0;
    const bool read = std::sscanf(shot.answer.c_str(), "%dx%d %ld", &width, &height, &colours) == 3;
    EXPECT_TRUE(read) << "screenshot " << shot.name << ": desktop.sh answered '" << shot.answer
                      << "'";
    EXPECT_EQ(std::to_string(width) + "x" + std::to_string(height), shot.windowSize)
        << "screenshot " << shot.name << " has the window's size";
    EXPECT_GT(colours, 8) << "screenshot " << shot.name << " is not blank";
  }
  EXPECT_EQ(taken, expected) << "every screenshot was taken";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TheSession();
  return RUN_ALL_TESTS();
}
