// The registered driver scanning, with this program as the point-of-sale host: it creates the
// driver through COM by its ProgID, passes the test host's equipment manager (which records
// every call the driver makes), applies settings, enables the device and serves messages until
// what it waits for has come.
//
//   e2e_scanning [GoogleTest options]     the checks (serial ones under e2e/serial_line.sh:
//                                         the driver reads COM7, barcodes are written to COM8)
//   e2e_scanning --keyboard-driver refused|enables
//                                         one more keyboard driver in a process of its own;
//                                         exit status 0 when Enable answered as expected
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "HostManager.h"
#include "SerialLine.h"
#include "equipment/common/Exceptions.h"
#include "equipment/common/VariantText.h"
#include "platform/win32/ComDispatchObject.h"
#include "platform/win32/ComDispatchPort.h"

namespace {

using equ::DispatchArgument;
using equ::SafeArray;
using equ::Variant;
using equ::WideString;

constexpr int kScannerEnd = 8;
constexpr char16_t kHostEnd[] = u"7";
constexpr DWORD kWaitMs = 20000;
const WideString kOneKeyboardScanner =
    u"[(1001; 'Нельзя использовать более одного клавиатурного сканера одновременно')]";

std::string Utf8(const WideString& text) {
  return equ::WideToUtf8(text);
}

void Print(const WideString& line) {
  const std::string bytes = Utf8(line) + "\n";
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

// Serves this thread's messages until done() answers true or the time is up; answers done().
bool ServeMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (!done()) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    // Sliced: under Wine a keyboard hook on another thread is handed the next key only when the
    // thread with the focus asks for input again, and a swallowed key wakes nobody.
    MsgWaitForMultipleObjects(
        0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 5)), QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return true;
}

// The driver as a host holds it: created through COM, with the recording manager.
class HostedDriver {
 public:
  HostedDriver() {
    CLSID clsid{};
    if (FAILED(CLSIDFromProgID(L"Ovex.MorvanelV41", &clsid))) {
      throw std::runtime_error("the driver Ovex.MorvanelV41 is not registered");
    }
    IDispatch* dispatch = nullptr;
    const HRESULT created = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                             reinterpret_cast<void**>(&dispatch));
    if (FAILED(created)) throw std::runtime_error("CoCreateInstance of Ovex.MorvanelV41 failed");
    port_ = std::make_unique<equ::win32::ComDispatchPort>(dispatch);
    dispatch->Release();

    auto manager = equ::MakeObject<equ::tools::THostManager>(
        std::map<WideString, WideString>{{u"ModelsFolder", u"C:\\TestHost\\Models\\"},
                                         {u"DevicesFolder", u"C:\\TestHost\\Devices\\"},
                                         {u"Language", u"ru"}},
        [this](const WideString& line) {
          Print(line);
          calls.push_back(line);
        });
    manager->onScan = [this](const WideString& data) {
      ++scans;
      received.push_back(data);
    };
    hostManager = manager.get();
    auto* managerDispatch = new equ::win32::ComDispatchObject(std::move(manager));
    manager_ = Variant(std::shared_ptr<equ::DispatchPort>(
        std::make_shared<equ::win32::ComDispatchPort>(managerDispatch)));
    managerDispatch->Release();
  }

  // Init, Open, the settings, Enable and EnableDataEvents, as a host starts a device.
  bool Start(const std::map<WideString, WideString>& settings, bool events,
             Variant* enableOut = nullptr) {
    bool ok = CallPrivate(u"Init", manager_);
    ok = CallPrivate(u"Open", Variant(WideString(u"TestHost"))) && ok;
    ok = ApplySettings(settings) && ok;
    ok = CallPublic(u"Enable", Variant(), enableOut) && ok;
    return CallPublic(u"EnableDataEvents", Variant(SafeArray::Vector({Variant(events)}))) && ok;
  }

  bool Close() { return port_->CallMethod(u"Close", {}).ToBool(); }

  bool Stop() {
    const bool disabled = CallPublic(u"Disable", Variant());
    return port_->CallMethod(u"Close", {}).ToBool() && disabled;
  }

  bool CallPublic(const char16_t* name, Variant inData, Variant* outData = nullptr) {
    DispatchArgument args[] = {{std::move(inData), false}, {Variant(), true}, {Variant(0), false}};
    const bool ok = port_->CallMethod(name, args).ToBool();
    Print(WideString(name) + u" -> " + (ok ? u"True" : u"False") + u"; OutData: " +
          equ::VariantToText(args[1].value));
    if (outData != nullptr) *outData = args[1].value;
    return ok;
  }

  // The calls to the manager that begin with prefix.
  std::vector<WideString> CallsStartingWith(const WideString& prefix) const {
    std::vector<WideString> found;
    for (const WideString& call : calls) {
      if (call.starts_with(prefix)) found.push_back(call);
    }
    return found;
  }

  std::vector<WideString> calls;
  int scans = 0;
  // Every barcode that reached the host: the data of accepted ScanData events, and what a
  // test's own manager hook fetched.
  std::vector<WideString> received;
  // The manager the driver calls back (owned by its COM object, which manager_ holds).
  equ::tools::THostManager* hostManager = nullptr;

 private:
  bool CallPrivate(const char16_t* name, Variant argument) {
    DispatchArgument args[] = {{std::move(argument), false}, {Variant(), true}};
    const bool ok = port_->CallMethod(name, args).ToBool();
    Print(WideString(name) + u" -> " + (ok ? u"True" : u"False") + u"; " +
          args[1].value.ToString());
    return ok;
  }

  // Writes the values into the settings table the driver gave and hands it back.
  bool ApplySettings(const std::map<WideString, WideString>& settings) {
    Variant table;
    DispatchArgument args[] = {{Variant(), false}, {Variant(), true}, {Variant(0), false}};
    if (!port_->CallMethod(u"GetSettings", args).ToBool()) return false;
    table = args[1].value;
    SafeArray& rows = *table.Array()->At(0).Array();
    const auto columns = static_cast<std::int32_t>(rows.Bounds()[1].count);
    for (std::int32_t j = 0; j < columns; ++j) {
      const std::int32_t idIndex[] = {0, j};
      const std::int32_t valueIndex[] = {1, j};
      for (const auto& [id, value] : settings) {
        if (equ::SameTextAscii(rows.Find(idIndex)->ToString(), id))
          *rows.Find(valueIndex) = Variant(value);
      }
    }
    return CallPublic(u"SetSettings", table);
  }

  std::unique_ptr<equ::win32::ComDispatchPort> port_;
  Variant manager_;
};

std::map<WideString, WideString> SerialSettings(std::map<WideString, WideString> more = {}) {
  more.emplace(u"InterfaceType", u"0");
  more.emplace(u"PortNumber", kHostEnd);
  return more;
}

std::string Joined(const std::vector<WideString>& lines) {
  std::string text;
  for (const WideString& line : lines) text += "\n  " + Utf8(line);
  return text;
}

class Scanning : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  }
  void TearDown() override { CoUninitialize(); }
};

TEST_F(Scanning, serial_events) {
  equ::e2e::ScannerLine line(kScannerEnd);
  ASSERT_TRUE(line.IsOpen()) << "the scanner's end COM8 opens";
  HostedDriver driver;
  ASSERT_TRUE(driver.Start(SerialSettings({{u"Baud", u"115200"}}), true));
  EXPECT_EQ(equ::e2e::HostEndSpeed(), "115200") << "Baud 115200 sets 115200 on the line";

  ASSERT_TRUE(line.Write("4600000000001\r\n"));
  EXPECT_TRUE(ServeMessagesUntil([&] { return driver.scans >= 1; })) << "the first barcode arrives";
  ASSERT_TRUE(line.Write("2900000123456\r\n"));
  EXPECT_TRUE(ServeMessagesUntil([&] { return driver.scans >= 2; }))
      << "the second barcode arrives";

  const auto events = driver.CallsStartingWith(u"DataEvent ");
  EXPECT_FALSE(driver
                   .CallsStartingWith(u"DataEvent 'TestHost' 'ScanData' '4600000000001' "
                                      u"[('4600000000001'; '4600000000001'; 0)]")
                   .empty())
      << "a serial barcode arrives as a ScanData event with [code, code, 0]; the events:"
      << Joined(events);
  EXPECT_FALSE(driver.CallsStartingWith(u"DataEvent 'TestHost' 'ScanData' '2900000123456'").empty())
      << "a second serial barcode arrives too; the events:" << Joined(events);
  EXPECT_TRUE(driver.Stop());
}

TEST_F(Scanning, serial_queue) {
  equ::e2e::ScannerLine line(kScannerEnd);
  ASSERT_TRUE(line.IsOpen()) << "the scanner's end COM8 opens";
  HostedDriver driver;
  ASSERT_TRUE(driver.Start(SerialSettings(), false));
  ASSERT_TRUE(line.Write("FIRST-1\r\nSECOND-2\r\n"));
  Variant count;
  EXPECT_TRUE(ServeMessagesUntil([&] {
    return driver.CallPublic(u"GetDataCount", Variant(), &count) &&
           count.Array()->At(0).ToString() == u"2";
  })) << "both scans are queued";

  std::vector<WideString> fetched;
  Variant item;
  while (driver.CallPublic(u"GetScanData", Variant(), &item))
    fetched.push_back(item.Array()->At(0).ToString());
  EXPECT_EQ(fetched, (std::vector<WideString>{u"FIRST-1", u"SECOND-2"}))
      << "with events off the scans queue and GetScanData returns them oldest first";
  EXPECT_TRUE(driver.CallsStartingWith(u"DataEvent ").empty())
      << "with events off no data event is sent:"
      << Joined(driver.CallsStartingWith(u"DataEvent "));
  EXPECT_TRUE(driver.Stop());
}

// Any InterfaceType but 1 is the serial channel.
TEST_F(Scanning, serial_interface_types) {
  equ::e2e::ScannerLine line(kScannerEnd);
  ASSERT_TRUE(line.IsOpen()) << "the scanner's end COM8 opens";
  for (const WideString type : {u"2", u"-1"}) {
    SCOPED_TRACE("InterfaceType " + Utf8(type) + " selects the serial channel");
    HostedDriver driver;
    ASSERT_TRUE(driver.Start(SerialSettings({{u"InterfaceType", type}}), true));
    ASSERT_TRUE(line.Write("TYPE" + Utf8(type) + "\r\n"));
    EXPECT_TRUE(ServeMessagesUntil([&] { return driver.scans >= 1; }));
    EXPECT_FALSE(
        driver.CallsStartingWith(u"DataEvent 'TestHost' 'ScanData' 'TYPE" + type + u"'").empty())
        << Joined(driver.CallsStartingWith(u"DataEvent "));
    EXPECT_TRUE(driver.Stop());
  }
}

// A manager that calls the driver back inside its DataEvent handler, GetScanData and then
// EnableDataEvents(True), as the test host's --reentrant manager does: three barcodes queued
// with events off, then events switched on. Each barcode reaches the host exactly once, by an
// event or by GetScanData.
TEST_F(Scanning, serial_reentrant_manager) {
  equ::e2e::ScannerLine line(kScannerEnd);
  ASSERT_TRUE(line.IsOpen()) << "the scanner's end COM8 opens";
  HostedDriver driver;
  driver.hostManager->insideDataEvent = [&driver] {
    Variant item;
    if (driver.CallPublic(u"GetScanData", Variant(), &item))
      driver.received.push_back(item.Array()->At(0).ToString());
    driver.CallPublic(u"EnableDataEvents", Variant(SafeArray::Vector({Variant(true)})));
  };
  ASSERT_TRUE(driver.Start(SerialSettings(), false));
  ASSERT_TRUE(line.Write("AAA\r\nBBB\r\nCCC\r\n"));
  Variant count;
  ASSERT_TRUE(ServeMessagesUntil([&] {
    return driver.CallPublic(u"GetDataCount", Variant(), &count) &&
           count.Array()->At(0).ToString() == u"3";
  })) << "the three barcodes queue while events are off";
  EXPECT_TRUE(driver.CallPublic(u"EnableDataEvents", Variant(SafeArray::Vector({Variant(true)}))));
  EXPECT_TRUE(ServeMessagesUntil([&] { return driver.received.size() >= 3; }))
      << "all three barcodes reach the host; what came:" << Joined(driver.received);
  // Whatever is still queued once the events are served reaches the host too.
  Variant item;
  while (driver.CallPublic(u"GetScanData", Variant(), &item))
    driver.received.push_back(item.Array()->At(0).ToString());
  for (const WideString code : {u"AAA", u"BBB", u"CCC"}) {
    EXPECT_EQ(std::count(driver.received.begin(), driver.received.end(), code), 1)
        << Utf8(code) << " reaches the host exactly once; what came:" << Joined(driver.received);
  }
  EXPECT_TRUE(driver.Stop());
}

// A host that stops scanning from its DataEvent handler: Disable (or Close) there returns, the
// barcode cut with the first one reaches the host too, and nothing is read afterwards.
void StopInsideDataEvent(const char16_t* stop) {
  equ::e2e::ScannerLine line(kScannerEnd);
  ASSERT_TRUE(line.IsOpen()) << "the scanner's end COM8 opens";
  HostedDriver driver;
  int stops = 0;
  bool stopped = false;
  driver.hostManager->insideDataEvent = [&] {
    if (stops++ > 0) return;
    stopped = WideString(stop) == u"Close" ? driver.Close() : driver.CallPublic(stop, Variant());
    Print(WideString(u"inside DataEvent: ") + stop + u" returned");
  };
  ASSERT_TRUE(driver.Start(SerialSettings(), true));
  ASSERT_TRUE(line.Write("STOP-1\r\nSTOP-2\r\n"));
  EXPECT_TRUE(ServeMessagesUntil([&] { return stops >= 1; })) << "the first barcode arrives";
  EXPECT_TRUE(stopped) << Utf8(stop) << " inside DataEvent answers True";
  // Both lines were cut in one read: the second reaches the host, by an event or the queue.
  ServeMessagesUntil([&] { return driver.scans >= 2; }, 2000);
  Variant item;
  while (driver.CallPublic(u"GetScanData", Variant(), &item))
    driver.received.push_back(item.Array()->At(0).ToString());
  EXPECT_EQ(std::count(driver.received.begin(), driver.received.end(), WideString(u"STOP-1")), 1)
      << Joined(driver.received);
  EXPECT_TRUE(driver.Stop());
}

TEST_F(Scanning, serial_disable_in_data_event) {
  StopInsideDataEvent(u"Disable");
}

TEST_F(Scanning, serial_close_in_data_event) {
  StopInsideDataEvent(u"Close");
}

// The scanner pulled out while enabled and plugged in again: the manager hears of both, and
// later barcodes arrive as ScanData.
TEST_F(Scanning, serial_link_removed_and_restored) {
  HostedDriver driver;
  {
    equ::e2e::ScannerLine line(kScannerEnd);
    ASSERT_TRUE(line.IsOpen()) << "the scanner's end COM8 opens";
    ASSERT_TRUE(driver.Start(SerialSettings(), true));
    ASSERT_TRUE(line.Write("BEFORE-1\r\n"));
    ASSERT_TRUE(ServeMessagesUntil([&] { return driver.scans >= 1; }));
    EXPECT_TRUE(driver.CallPublic(u"CheckHealth", Variant()));
  }
  ASSERT_EQ(equ::e2e::AskSerialLine("unplug"), "unplugged");
  const WideString lost = u"ErrorEvent 'TestHost' 'ScannerPortLost' 'Связь со сканером потеряна";
  EXPECT_TRUE(ServeMessagesUntil([&] { return !driver.CallsStartingWith(lost).empty(); }))
      << "the manager hears of the loss:" << Joined(driver.CallsStartingWith(u"ErrorEvent"));
  Variant health;
  EXPECT_FALSE(driver.CallPublic(u"CheckHealth", Variant(), &health))
      << "CheckHealth fails while the port is lost";

  ASSERT_EQ(equ::e2e::AskSerialLine("replug"), "replugged");
  const WideString back =
      u"ErrorEvent 'TestHost' 'ScannerPortRestored' 'Связь со сканером восстановлена";
  EXPECT_TRUE(ServeMessagesUntil([&] { return !driver.CallsStartingWith(back).empty(); }))
      << "the manager hears of the recovery:" << Joined(driver.CallsStartingWith(u"ErrorEvent"));
  EXPECT_TRUE(driver.CallPublic(u"CheckHealth", Variant()));
  equ::e2e::ScannerLine line(kScannerEnd);
  ASSERT_TRUE(line.IsOpen()) << "the scanner's end COM8 opens again";
  ASSERT_TRUE(line.Write("AFTER-1\r\n"));
  EXPECT_TRUE(ServeMessagesUntil([&] { return driver.scans >= 2; }));
  EXPECT_FALSE(driver.CallsStartingWith(u"DataEvent 'TestHost' 'ScanData' 'AFTER-1'").empty())
      << Joined(driver.CallsStartingWith(u"DataEvent "));
  EXPECT_EQ(driver.CallsStartingWith(lost).size(), 1u);
  EXPECT_EQ(driver.CallsStartingWith(back).size(), 1u);
  EXPECT_TRUE(driver.Stop());
}

// Runs this program once more as another host with a keyboard driver; answers its exit status.
DWORD RunSecondKeyboardHost(const wchar_t* expectation) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" --keyboard-driver " + expectation;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return 0x80000000u | GetLastError();
  }
  WaitForSingleObject(process.hProcess, kWaitMs);
  DWORD status = STILL_ACTIVE;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return status;
}

// One keyboard scanner per logon, across processes.
TEST_F(Scanning, one_keyboard_scanner_per_logon) {
  {
    HostedDriver first;
    ASSERT_TRUE(first.Start({{u"InterfaceType", u"1"}}, true))
        << "the first keyboard driver enables";
    EXPECT_EQ(RunSecondKeyboardHost(L"refused"), 0u)
        << "a second keyboard driver is refused with 1001 and the mutex message";
    EXPECT_TRUE(first.Stop());
  }
  EXPECT_EQ(RunSecondKeyboardHost(L"enables"), 0u)
      << "after the first holder has gone, a keyboard driver enables";
}

// The other process of one_keyboard_scanner_per_logon.
int KeyboardDriverHost(const std::wstring& expectation) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  int status = 1;
  {
    HostedDriver driver;
    Variant out;
    const bool enabled = driver.Start({{u"InterfaceType", u"1"}}, true, &out);
    if (expectation == L"refused") {
      status = !enabled && equ::VariantToText(out) == kOneKeyboardScanner ? 0 : 1;
    } else {
      status = enabled ? 0 : 1;
    }
    driver.Stop();
  }
  CoUninitialize();
  return status;
}

// A window of this thread whose EDIT control has the focus: the keys that get past the driver
// land there. Shown only once the driver is enabled (keys.sh types once it is mapped).
class KeyTarget {
 public:
  static constexpr wchar_t kTitle[] = L"KbdDriverE2E";

  KeyTarget() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"KbdDriverE2EWindow";
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(0, windowClass.lpszClassName, kTitle, WS_OVERLAPPEDWINDOW, 50, 50,
                              500, 200, nullptr, nullptr, instance, nullptr);
    edit_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 460, 30,
                            window_, nullptr, instance, nullptr);
  }
  ~KeyTarget() { DestroyWindow(window_); }
  KeyTarget(const KeyTarget&) = delete;
  KeyTarget& operator=(const KeyTarget&) = delete;

  void Show() {
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    SetFocus(edit_);
  }
  std::string Text() const {
    wchar_t buffer[1024] = {};
    GetWindowTextW(edit_, buffer, 1024);
    return Utf8(WideString(reinterpret_cast<const char16_t*>(buffer)));
  }

 private:
  HWND window_ = nullptr;
  HWND edit_ = nullptr;
};

// The registered driver's keyboard channel with real X keys (typed by keys.sh): a manager whose
// DataEvent takes a second still gets the next scan as a barcode (the hook runs on the driver's
// own thread and is not lost), nothing reaches the field, and a driver released while enabled
// leaves no keyboard lock behind.
TEST_F(Scanning, keyboard_slow_manager_and_release) {
  KeyTarget target;
  {
    HostedDriver driver;
    driver.hostManager->insideDataEvent = [] { Sleep(1000); };
    ASSERT_TRUE(driver.Start({{u"InterfaceType", u"1"}}, true)) << "the keyboard driver enables";
    target.Show();
    EXPECT_TRUE(ServeMessagesUntil([&] { return driver.scans >= 2; })) << driver.scans;
    ServeMessagesUntil([] { return false; }, 300);
    EXPECT_EQ(driver.received, (std::vector<WideString>{u"123", u"456"}))
        << "both scans reach the manager, in order:" << Joined(driver.received);
    EXPECT_EQ(target.Text(), "") << "nothing reached the EDIT control";
  }
  EXPECT_EQ(RunSecondKeyboardHost(L"enables"), 0u)
      << "a driver released while enabled leaves the keyboard to the next one";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  try {
    if (argc == 3 && std::wstring(argv[1]) == L"--keyboard-driver")
      return KeyboardDriverHost(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
  } catch (const std::exception& e) {
    Print(u"failed: " + equ::ExceptionMessage(e));
    return 2;
  }
}
