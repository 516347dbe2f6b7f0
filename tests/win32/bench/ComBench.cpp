// Figures of the registered driver under Wine, for scripts/bench.sh (a plain program, not a
// test). Creates the driver through COM by its programmatic identifier, like a host.
//   com_bench invoke N                     Invoke calls per second (GetDataCount, DISPPARAMS)
//   com_bench serial PORT WRITEPORT N      line end written to DataEvent: median and worst of
//                                          N scans, then scans per second of a burst of N
//   com_bench keyboard interval|postfix N  keyboard channel; prints "event <unix ns>" for every
//                                          DataEvent until N arrived (keys come from xdotool)
//   com_bench idle none|serial|keyboard SECONDS [PORT]
//                                          CPU time of this process with the channel enabled
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "equipment/common/Exceptions.h"
#include "platform/win32/ComDispatchObject.h"
#include "platform/win32/ComDispatchPort.h"
#include "platform/win32/WinText.h"
#include "tools/test_host/HostManager.h"

namespace {

using equ::DispatchArgument;
using equ::SafeArray;
using equ::Variant;
using equ::WideString;

double Seconds() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / frequency;
}

// Wall-clock time in nanoseconds since 1970, comparable with `date +%s%N` outside Wine.
long long UnixNanoseconds() {
  FILETIME time;
  GetSystemTimePreciseAsFileTime(&time);
  const long long ticks = (static_cast<long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return (ticks - 116444736000000000LL) * 100;
}

void PumpFor(double seconds, const std::function<bool()>& done = {}) {
  const double end = Seconds() + seconds;
  while (Seconds() < end && !(done && done())) {
    // Blocks until a message comes, as a host's loop does: an idle host costs nothing here.
    const double left = (end - Seconds()) * 1000;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::clamp(left, 0.0, 100.0)),
                              QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

class Bench {
 public:
  Bench() {
    CLSID clsid{};
    if (FAILED(CLSIDFromProgID(L"Ovex.MorvanelV41", &clsid)))
      throw equ::Exception(u"not registered");
    IDispatch* dispatch = nullptr;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(&dispatch)))) {
      throw equ::Exception(u"cannot create the driver");
    }
    driver_ = std::make_shared<equ::win32::ComDispatchPort>(dispatch);
    dispatch->Release();
    auto manager = equ::MakeObject<equ::tools::THostManager>(
        std::map<WideString, WideString>{{u"Language", u"ru"}}, [](const WideString&) {});
    manager->onScan = [this](const WideString& data) {
      events.push_back({Seconds(), UnixNanoseconds(), data});
    };
    auto* managerDispatch = new equ::win32::ComDispatchObject(std::move(manager));
    const Variant managerValue(std::shared_ptr<equ::DispatchPort>(
        std::make_shared<equ::win32::ComDispatchPort>(managerDispatch)));
    managerDispatch->Release();
    DispatchArgument init[] = {{managerValue, false}, {Variant(), true}};
    driver_->CallMethod(u"Init", init);
  }

  bool Call(const char16_t* name, Variant inData = Variant()) {
    DispatchArgument args[] = {{std::move(inData), false}, {Variant(), true}, {Variant(0), false}};
    return driver_->CallMethod(name, args).ToBool();
  }

  void Set(const std::map<WideString, Variant>& values) {
    DispatchArgument args[] = {{Variant(), false}, {Variant(), true}, {Variant(0), false}};
    driver_->CallMethod(u"GetSettings", args);
    SafeArray table = *args[1].value.Array()->At(0).Array();
    for (std::int32_t j = 0; j < static_cast<std::int32_t>(table.Bounds()[1].count); ++j) {
      const std::int32_t id[] = {0, j};
      const std::int32_t value[] = {1, j};
      const auto it = values.find(table.Find(id)->ToString());
      if (it != values.end()) *table.Find(value) = it->second;
    }
    Call(u"SetSettings", Variant(SafeArray::Vector({Variant(table)})));
  }

  void EnableWithEvents() {
    if (!Call(u"Enable")) throw equ::Exception(u"Enable failed");
    Call(u"EnableDataEvents", Variant(SafeArray::Vector({Variant(true)})));
  }

  IDispatch* Dispatch() const { return driver_->Get(); }

  struct Event {
    double seconds;
    long long unixNs;
    WideString data;
  };
  std::vector<Event> events;

 private:
  std::shared_ptr<equ::win32::ComDispatchPort> driver_;
};

int InvokeRate(int count) {
  Bench bench;
  IDispatch* driver = bench.Dispatch();
  DISPID id = DISPID_UNKNOWN;
  auto* name = const_cast<LPOLESTR>(L"GetDataCount");
  driver->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
  const double start = Seconds();
  for (int i = 0; i < count; ++i) {
    VARIANT args[3];
    for (VARIANT& v : args) VariantInit(&v);
    VARIANT out;
    VariantInit(&out);
    V_VT(&args[0]) = VT_I4;  // TimeOut (the arguments go last first)
    V_VT(&args[1]) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&args[1]) = &out;
    DISPPARAMS params{args, nullptr, 3, 0};
    VARIANT result;
    VariantInit(&result);
    driver->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr,
                   nullptr);
    VariantClear(&result);
    VariantClear(&out);
  }
  std::printf("invoke_per_second %.0f\n", count / (Seconds() - start));
  return 0;
}

HANDLE OpenWriter(int port) {
  const std::wstring path = L"\\\\.\\COM" + std::to_wstring(port);
  HANDLE line = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (line == INVALID_HANDLE_VALUE) throw equ::Exception(u"cannot open the writing port");
  return line;
}

void Write(HANDLE line, const std::string& bytes) {
  DWORD written = 0;
  WriteFile(line, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

int SerialFigures(int port, int writePort, int count) {
  Bench bench;
  bench.Set(
      {{u"InterfaceType", Variant(0)}, {u"PortNumber", Variant(port)}, {u"Baud", Variant(115200)}});
  bench.EnableWithEvents();
  HANDLE line = OpenWriter(writePort);
  std::vector<double> latencies;
  for (int i = 0; i < count; ++i) {
    bench.events.clear();
    const double written = Seconds();
    Write(line, "460" + std::to_string(1000000 + i) + "\r\n");
    PumpFor(1.0, [&] { return !bench.events.empty(); });
    if (!bench.events.empty()) latencies.push_back((bench.events[0].seconds - written) * 1000);
    PumpFor(0.02);
  }
  std::sort(latencies.begin(), latencies.end());
  if (!latencies.empty()) {
    std::printf("serial_line_end_to_dataevent_ms median %.2f worst %.2f of %zu\n",
                latencies[latencies.size() / 2], latencies.back(), latencies.size());
  }
  bench.events.clear();
  std::string burst;
  for (int i = 0; i < count; ++i) burst += "470" + std::to_string(1000000 + i) + "\r\n";
  const double start = Seconds();
  Write(line, burst);
  PumpFor(10.0, [&] { return static_cast<int>(bench.events.size()) >= count; });
  const double seconds = bench.events.empty() ? 0 : bench.events.back().seconds - start;
  std::printf("serial_burst_scans_per_second %.0f received %zu of %d\n",
              seconds > 0 ? static_cast<double>(bench.events.size()) / seconds : 0.0,
              bench.events.size(), count);
  CloseHandle(line);
  bench.Call(u"Disable");
  return 0;
}

HWND CreateHostWindow() {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"EquBenchHost";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, L"EquBenchHost", L"Bench host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                0, 0, 400, 120, nullptr, nullptr, windowClass.hInstance, nullptr);
  HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 5, 5, 380, 24, window,
                              nullptr, windowClass.hInstance, nullptr);
  SetFocus(edit);
  return window;
}

int KeyboardEvents(bool postfixMode, int count) {
  Bench bench;
  std::map<WideString, Variant> settings{{u"InterfaceType", Variant(1)}};
  // Prefix/postfix mode: '%' opens and '$' closes a barcode (character codes 37 and 36).
  if (postfixMode) {
    settings[u"PrefixKbd"] = Variant(u"#37");
    settings[u"PostfixKbd"] = Variant(u"#36");
  }
  bench.Set(settings);
  CreateHostWindow();
  bench.EnableWithEvents();
  std::printf("ready\n");
  std::fflush(stdout);
  std::size_t printed = 0;
  PumpFor(120.0, [&] {
    for (; printed < bench.events.size(); ++printed) {
      std::printf("event %lld %s\n", bench.events[printed].unixNs,
                  equ::WideToUtf8(bench.events[printed].data).c_str());
      std::fflush(stdout);
    }
    return static_cast<int>(printed) >= count;
  });
  bench.Call(u"Disable");
  return 0;
}

double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto value = [](const FILETIME& t) {
    return static_cast<double>((static_cast<long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
           1e7;
  };
  return value(kernel) + value(user);
}

int IdleCost(const std::string& channel, int seconds, int port) {
  Bench bench;
  if (channel == "serial") {
    bench.Set({{u"InterfaceType", Variant(0)}, {u"PortNumber", Variant(port)}});
    bench.EnableWithEvents();
  } else if (channel == "keyboard") {
    bench.Set({{u"InterfaceType", Variant(1)}});
    bench.EnableWithEvents();
  }
  const double cpuStart = ProcessCpuSeconds();
  const double start = Seconds();
  PumpFor(seconds);
  const double cpu = ProcessCpuSeconds() - cpuStart;
  const double elapsed = Seconds() - start;
  std::printf("idle_%s_cpu_percent_of_a_core %.3f cpu_seconds_per_minute %.3f\n", channel.c_str(),
              100.0 * cpu / elapsed, 60.0 * cpu / elapsed);
  if (channel != "none") bench.Call(u"Disable");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs(
        "usage: com_bench invoke N | serial PORT WRITEPORT N | keyboard interval|postfix N"
        " | idle none|serial|keyboard SECONDS [PORT]\n",
        stderr);
    return 64;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  const std::string mode = argv[1];
  int status = 0;
  try {
    if (mode == "invoke") status = InvokeRate(std::atoi(argv[2]));
    if (mode == "serial" && argc > 4) {
      status = SerialFigures(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    }
    if (mode == "keyboard" && argc > 3) {
      status = KeyboardEvents(std::string(argv[2]) == "postfix", std::atoi(argv[3]));
    }
    if (mode == "idle" && argc > 3) {
      status = IdleCost(argv[2], std::atoi(argv[3]), argc > 4 ? std::atoi(argv[4]) : 1);
    }
  } catch (const std::exception& e) {
    std::printf("failed: %s\n", e.what());
    status = 1;
  }
  CoUninitialize();
  return status;
}
