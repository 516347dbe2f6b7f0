// A test host for the scanner driver: creates it by its programmatic identifier through COM,
// passes its own equipment manager, applies settings, enables the device and pumps messages
// while barcodes arrive, printing every call the driver makes to the manager.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "HostManager.h"
#include "equipment/common/Exceptions.h"
#include "equipment/common/VariantText.h"
#include "platform/win32/ComDispatchObject.h"
#include "platform/win32/ComDispatchPort.h"
#include "platform/win32/WinHandles.h"
#include "platform/win32/WinText.h"

namespace {

using equ::DispatchArgument;
using equ::SafeArray;
using equ::Variant;
using equ::WideString;

constexpr char kUsage[] =
    "Usage: test_host [options]\n"
    "Creates the driver \"Ovex.MorvanelV41\" through COM with a test equipment manager, sets\n"
    "its settings, enables it and pumps messages while barcodes arrive. Every call of the\n"
    "driver to the manager is printed as a line (DataEvent, GetAppProperty, WriteLog, ...).\n"
    "\n"
    "Options:\n"
    "  --interface serial|keyboard  the channel (InterfaceType 0 or 1; default serial)\n"
    "  --port N                     COM port number (PortNumber; default 1)\n"
    "  --baud N                     line speed (Baud; default 9600)\n"
    "  --set ID=VALUE               any setting, by its identifier (repeatable)\n"
    "  --events on|off              data events on (default) or off: with off, the scans\n"
    "                               queue up and are fetched with GetScanData at the end\n"
    "  --refuse                     the manager refuses every data event\n"
    "  --events-after N             start with data events off and switch them on once N\n"
    "                               scans are queued\n"
    "  --reentrant                  inside every data event the manager calls GetScanData\n"
    "                               and EnableDataEvents(True) back\n"
    "  --seconds N                  how long to run (default 10)\n"
    "  --scans N                    stop after N accepted scans (default: no limit)\n"
    "  --window                     show a window with a text field (for keyboard scanners:\n"
    "                               the keys that are no barcode are typed into it)\n"
    "  --device-id ID               the device identifier passed to Open (default TestHost)\n"
    "  --help                       this text\n"
    "\n"
    "The exit status is 0 when the driver was created and every step answered True.\n";

struct Options {
  std::map<WideString, WideString> settings;
  bool events = true;
  bool refuse = false;
  bool window = false;
  bool reentrant = false;
  int eventsAfter = 0;
  int seconds = 10;
  int scans = 0;
  WideString deviceId = u"TestHost";
};

void Print(const WideString& line) {
  const std::string bytes = equ::WideToUtf8(line) + "\n";
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

// A whole number from 0 up, digits only; false for anything else (the caller prints the usage).
bool ParseCount(const WideString& text, int& count) {
  if (text.empty() || text.size() > 9) return false;
  int value = 0;
  for (const char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
    value = value * 10 + (c - u'0');
  }
  count = value;
  return true;
}

bool ParseOptions(int argc, wchar_t** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const WideString arg = equ::win32::FromWide(argv[i]);
    const auto value = [&]() -> WideString {
      return i + 1 < argc ? equ::win32::FromWide(argv[++i]) : WideString();
    };
    if (arg == u"--help") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (arg == u"--interface") {
      options.settings[u"InterfaceType"] = value() == u"keyboard" ? u"1" : u"0";
    } else if (arg == u"--port") {
      options.settings[u"PortNumber"] = value();
    } else if (arg == u"--baud") {
      options.settings[u"Baud"] = value();
    } else if (arg == u"--set") {
      const WideString pair = value();
      const std::size_t equals = pair.find(u'=');
      if (equals == WideString::npos) return false;
      options.settings[pair.substr(0, equals)] = pair.substr(equals + 1);
    } else if (arg == u"--events") {
      options.events = value() != u"off";
    } else if (arg == u"--refuse") {
      options.refuse = true;
    } else if (arg == u"--reentrant") {
      options.reentrant = true;
    } else if (arg == u"--events-after") {
      options.eventsAfter = std::stoi(equ::WideToUtf8(value()));
      options.events = false;
    } else if (arg == u"--seconds") {
      if (!ParseCount(value(), options.seconds)) return false;
    } else if (arg == u"--scans") {
      if (!ParseCount(value(), options.scans)) return false;
    } else if (arg == u"--window") {
      options.window = true;
    } else if (arg == u"--device-id") {
      options.deviceId = value();
    } else {
      return false;
    }
  }
  return true;
}

// The driver, called by name.
class Driver {
 public:
  explicit Driver(IDispatch* dispatch) : port_(dispatch) {}

  // A public method: InData, OutData (by reference), TimeOut; prints its outcome (OutData too
  // unless quiet).
  bool CallPublic(const char16_t* name, Variant inData, Variant* outData = nullptr,
                  bool quiet = false) {
    Variant out;
    const bool ok = CallSilently(name, std::move(inData), out);
    Print(WideString(name) + u" -> " + (ok ? u"True" : u"False") +
          (quiet ? WideString() : u"; OutData: " + equ::VariantToText(out)));
    if (outData != nullptr) *outData = out;
    return ok;
  }

  // The same without a line: for the calls of a manager's handler and of polling.
  bool CallSilently(const char16_t* name, Variant inData, Variant& outData) {
    DispatchArgument args[] = {{std::move(inData), false}, {Variant(), true}, {Variant(0), false}};
    const bool ok = port_.CallMethod(name, args).ToBool();
    outData = args[1].value;
    return ok;
  }

  // Init or Open: one argument and the description variable.
  bool CallPrivate(const char16_t* name, Variant argument) {
    DispatchArgument args[] = {{std::move(argument), false}, {Variant(), true}};
    const bool ok = port_.CallMethod(name, args).ToBool();
    Print(WideString(name) + u" -> " + (ok ? u"True" : u"False") + u"; " +
          args[1].value.ToString());
    return ok;
  }

  bool Close() { return port_.CallMethod(u"Close", {}).ToBool(); }

 private:
  equ::win32::ComDispatchPort port_;
};

// Writes the requested values into the settings array the driver gave and hands it back.
bool ApplySettings(Driver& driver, const std::map<WideString, WideString>& settings) {
  if (settings.empty()) return true;
  Variant table;
  if (!driver.CallPublic(u"GetSettings", Variant(), &table, true)) return false;
  SafeArray& rows = *table.Array()->At(0).Array();
  const std::int32_t columns = static_cast<std::int32_t>(rows.Bounds()[1].count);
  for (std::int32_t j = 0; j < columns; ++j) {
    const std::int32_t idIndex[] = {0, j};
    const std::int32_t valueIndex[] = {1, j};
    for (const auto& [id, value] : settings) {
      if (equ::SameTextAscii(rows.Find(idIndex)->ToString(), id))
        *rows.Find(valueIndex) = Variant(value);
    }
  }
  return driver.CallPublic(u"SetSettings", table);
}

// The host's own window with an EDIT control that has the focus (where typed keys go).
equ::win32::WindowHandle CreateHostWindow() {
  const wchar_t* className = L"EquTestHostWindow";
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = className;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassW(&windowClass);
  equ::win32::WindowHandle window(
      CreateWindowExW(0, className, L"Test host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 480, 200,
                      nullptr, nullptr, windowClass.hInstance, nullptr));
  // The EDIT control is a child: it goes with its window.
  HWND edit =
      CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 10,
                      10, 440, 24, window.get(), nullptr, windowClass.hInstance, nullptr);
  SetFocus(edit);
  return window;
}

// Serves messages until the time runs out or enough scans have arrived; `step` runs after
// every round of messages.
void PumpMessages(int seconds, const int& scans, int maxScans,
                  const std::function<void()>& step = {}) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
  while (GetTickCount64() < end && (maxScans == 0 || scans < maxScans)) {
    if (step) step();
    const DWORD left = static_cast<DWORD>(end - GetTickCount64());
    MsgWaitForMultipleObjects(0, nullptr, FALSE, left < 50 ? left : 50, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

void FetchQueuedScans(Driver& driver) {
  Variant count;
  driver.CallPublic(u"GetDataCount", Variant(), &count);
  Variant item;
  while (driver.CallPublic(u"GetScanData", Variant(), &item)) {
    Print(u"ScanData " + item.Array()->At(0).ToString());
  }
}

int Run(const Options& options) {
  CLSID clsid{};
  if (FAILED(CLSIDFromProgID(L"Ovex.MorvanelV41", &clsid))) {
    Print(u"the driver Ovex.MorvanelV41 is not registered");
    return 2;
  }
  equ::win32::ComPtr<IDispatch> dispatch;
  const HRESULT created =
      CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, dispatch.put_void());
  if (FAILED(created)) {
    Print(u"cannot create Ovex.MorvanelV41: " +
          equ::win32::SystemErrorText(static_cast<DWORD>(created)));
    return 2;
  }
  Print(u"created Ovex.MorvanelV41");
  Driver driver(dispatch.get());

  int scans = 0;
  auto manager = equ::MakeObject<equ::tools::THostManager>(
      std::map<WideString, WideString>{{u"ModelsFolder", u"C:\\TestHost\\Models\\"},
                                       {u"DevicesFolder", u"C:\\TestHost\\Devices\\"},
                                       {u"Language", u"ru"}},
      Print);
  manager->acceptEvents = !options.refuse;
  manager->onScan = [&scans](const WideString& data) {
    ++scans;
    Print(u"received " + data + u" (DataEvent)");
  };
  if (options.reentrant) {
    manager->insideDataEvent = [&driver, &scans] {
      Variant item;
      if (driver.CallSilently(u"GetScanData", Variant(), item)) {
        ++scans;
        Print(u"received " + item.Array()->At(0).ToString() + u" (GetScanData)");
      }
      Variant none;
      driver.CallSilently(u"EnableDataEvents", Variant(SafeArray::Vector({Variant(true)})), none);
    };
  }
  // The object is made with one reference, which the pointer takes over.
  const auto managerDispatch = equ::win32::ComPtr<equ::win32::ComDispatchObject>::Adopt(
      new equ::win32::ComDispatchObject(std::move(manager)));
  const Variant managerValue(std::shared_ptr<equ::DispatchPort>(
      std::make_shared<equ::win32::ComDispatchPort>(managerDispatch.get())));

  bool ok = driver.CallPrivate(u"Init", managerValue);
  ok = driver.CallPrivate(u"Open", Variant(options.deviceId)) && ok;
  ok = ApplySettings(driver, options.settings) && ok;
  equ::win32::WindowHandle hostWindow;
  if (options.window) hostWindow = CreateHostWindow();
  ok = driver.CallPublic(u"Enable", Variant()) && ok;
  ok = driver.CallPublic(u"EnableDataEvents",
                         Variant(SafeArray::Vector({Variant(options.events)}))) &&
       ok;
  Print(u"ready");
  bool eventsPending = options.eventsAfter > 0;
  PumpMessages(options.seconds, scans, options.scans, [&] {
    if (!eventsPending) return;
    Variant count;
    if (!driver.CallSilently(u"GetDataCount", Variant(), count)) return;
    if (count.Array()->At(0).ToInt32() < options.eventsAfter) return;
    eventsPending = false;
    driver.CallPublic(u"EnableDataEvents", Variant(SafeArray::Vector({Variant(true)})));
  });
  if (!options.events || options.refuse) FetchQueuedScans(driver);
  ok = driver.CallPublic(u"Disable", Variant()) && ok;
  ok = driver.Close() && ok;
  Print(ok ? u"DONE" : u"DONE with failures");
  return ok ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fputs(kUsage, stderr);
    return 64;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  int status = 2;
  try {
    status = Run(options);
  } catch (const std::exception& e) {
    Print(u"failed: " + equ::ExceptionMessage(e));
  }
  CoUninitialize();
  return status;
}
