// A minimal C++ host of the scanner driver "Ovex.MorvanelV41" (Windows SDK only): an equipment
// manager, the driver called late-bound, a scan received as a data event while the thread handles
// its messages, a scan kept in the queue with events off and read with GetScanData.
//   cpp_host [HOST_COM [SCANNER_COM]]: the driver reads HOST_COM (7); the program writes the
//   barcodes to SCANNER_COM, the null-modem pair's other end, when given.
#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

void Print(const std::wstring& line) {  // in UTF-8, the console's code page set in main
  std::string bytes(line.size() * 4 + 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, bytes.data(), static_cast<int>(bytes.size()),
                      nullptr, nullptr);
  std::printf("%s\n", bytes.c_str());
  std::fflush(stdout);
}

// Variants of the kinds the driver takes, one a line; the names the driver calls of a manager.
// clang-format off
struct V {
  static VARIANT Empty() { VARIANT v; VariantInit(&v); return v; }
  static VARIANT Number(long n) { VARIANT v{}; v.vt = VT_I4; v.lVal = n; return v; }
  static VARIANT Bool(bool b) { VARIANT v{}; v.vt = VT_BOOL; v.boolVal = b ? VARIANT_TRUE : 0; return v; }
  static VARIANT Bstr(const std::wstring& s) { VARIANT v{}; v.vt = VT_BSTR; v.bstrVal = SysAllocString(s.c_str()); return v; }
  static VARIANT Object(IDispatch* o) { VARIANT v{}; v.vt = VT_DISPATCH; v.pdispVal = o; return v; }
  static VARIANT ByRef(VARIANT& to) { VARIANT v{}; v.vt = VT_BYREF | VT_VARIANT; v.pvarVal = &to; return v; }
};
constexpr const wchar_t* kNames[7] = {L"DataEvent", L"ErrorEvent", L"GetAppProperty", L"WriteLog", L"TaskState", L"MessageDlg", L"InputDataDlg"};
// clang-format on

std::wstring Text(VARIANT value) {  // any value as text, by reference or not
  VARIANT copy = V::Empty();
  std::wstring text;
  if (SUCCEEDED(VariantChangeType(&copy, &value, 0, VT_BSTR)) && copy.bstrVal) text = copy.bstrVal;
  VariantClear(&copy);
  return text;
}
std::wstring Element(const VARIANT& array, LONG i) {  // item i of a vector, as text
  VARIANT v = V::Empty();
  if ((array.vt & VT_ARRAY) != 0) SafeArrayGetElement(array.parray, &i, &v);
  std::wstring text = Text(v);
  VariantClear(&v);
  return text;
}
// An array [item, ...] or, with columns, a table of two rows (row 0 the IDs, row 1 the values).
VARIANT Array(std::vector<VARIANT> items, ULONG columns = 0) {
  SAFEARRAYBOUND bounds[] = {{columns ? 2 : static_cast<ULONG>(items.size()), 0}, {columns, 0}};
  VARIANT v{};
  v.vt = VT_ARRAY | VT_VARIANT;
  v.parray = SafeArrayCreate(VT_VARIANT, columns ? 2 : 1, bounds);
  for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
    LONG index[] = {columns ? i % 2 : i, columns ? i / 2 : 0};
    SafeArrayPutElement(v.parray, index, &items[static_cast<size_t>(i)]);
    VariantClear(&items[static_cast<size_t>(i)]);
  }
  return v;
}

// The equipment manager, called on the host thread by name, the device ID first; an argument
// by reference arrives as VT_BYREF | VT_VARIANT.
class Manager : public IDispatch {
 public:
  int scans = 0;
  // clang-format off
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    *object = (iid == IID_IUnknown || iid == IID_IDispatch) ? this : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on main's stack
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { *count = 0; return S_OK; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
    for (ids[0] = 0; ids[0] < 7; ++ids[0]) if (_wcsicmp(names[0], kNames[ids[0]]) == 0) return S_OK;
    return ids[0] = DISPID_UNKNOWN, DISP_E_UNKNOWNNAME;
  }
  // clang-format on
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    if (id < 0 || id >= 7 || params->cArgs < 3) return DISP_E_BADPARAMCOUNT;
    auto arg = [params](UINT i) -> VARIANT& { return params->rgvarg[params->cArgs - 1 - i]; };
    const std::wstring name = kNames[id], what = Text(arg(1));
    bool answer = true;          // WriteLog, TaskState, MessageDlg, InputDataDlg: accepted
    if (name == L"DataEvent") {  // device ID, event name, data, extra data [data, label, type]
      Print(L"DataEvent " + what + L" " + Text(arg(2)));
      if (what == L"ScanData" && Text(arg(2)) == L"4006381333931") ++scans;
    } else if (name == L"ErrorEvent") {  // device ID, error name, description, extra data
      Print(L"ErrorEvent " + what + L": " + Text(arg(2)));
    } else if (name == L"GetAppProperty") {  // device ID, property name, the value to write
      wchar_t folder[MAX_PATH];
      GetTempPathW(MAX_PATH, folder);  // ModelsFolder, DevicesFolder: where the host keeps them
      answer = arg(2).vt == (VT_BYREF | VT_VARIANT);
      if (answer) VariantClear(arg(2).pvarVal);
      if (answer) *arg(2).pvarVal = V::Bstr(what == L"Language" ? L"ru" : folder);
    }
    if (result) *result = V::Bool(answer);
    return S_OK;
  }
};

// A late-bound call: the arguments in the host's order (DISPPARAMS holds them last first).
bool Call(IDispatch* driver, const wchar_t* name, std::vector<VARIANT> args) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  VARIANT result = V::Empty();
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  HRESULT hr = driver->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (SUCCEEDED(hr)) hr = driver->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, 0, 0);
  if (FAILED(hr)) Print(std::wstring(name) + L" failed as a call, HRESULT " + std::to_wstring(hr));
  return result.vt == VT_BOOL && result.boolVal == VARIANT_TRUE;
}

// The ten methods with InData, OutData (by reference), TimeOut; False leaves [code, text].
bool Method(IDispatch* driver, const wchar_t* name, VARIANT inData, VARIANT& outData) {
  VariantClear(&outData);
  const bool ok = Call(driver, name, {inData, V::ByRef(outData), V::Number(0)});
  if (!ok) Print(std::wstring(name) + L": " + Element(outData, 0) + L" " + Element(outData, 1));
  return ok;
}

// The driver's events come through this thread's message queue: a host thread must handle it.
bool PumpUntil(const auto& done) {
  for (const ULONGLONG end = GetTickCount64() + 30000; !done();) {
    if (GetTickCount64() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&msg);
  }
  return true;
}

void Scan(int scannerCom, const std::string& barcode) {  // the scanner's part: a barcode, a CR
  const std::wstring path = L"\\\\.\\COM" + std::to_wstring(scannerCom);
  HANDLE line = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  const std::string bytes = barcode + "\r";
  DWORD written = 0;
  if (line != INVALID_HANDLE_VALUE) WriteFile(line, bytes.data(), bytes.size(), &written, nullptr);
  if (line != INVALID_HANDLE_VALUE) CloseHandle(line);
  if (written == 0) Print(L"scan " + std::wstring(barcode.begin(), barcode.end()) + L" now");
}

bool Check(bool ok, const std::wstring& what) {
  Print((ok ? L"PASS " : L"FAIL ") + what);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const long hostCom = argc > 1 ? std::stol(argv[1]) : 7;
  const int scannerCom = argc > 2 ? std::stoi(argv[2]) : 0;
  SetConsoleOutputCP(CP_UTF8);
  CoInitialize(nullptr);  // a single-threaded apartment: the driver lives on this thread
  CLSID clsid;
  IDispatch* driver = nullptr;
  if (FAILED(CLSIDFromProgID(L"Ovex.MorvanelV41", &clsid)) ||
      FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(&driver))))
    return Check(false, L"the driver is registered for this program's bitness"), 1;
  Manager manager;
  VARIANT text = V::Empty(), out = V::Empty(), none = V::Empty(), id = V::Bstr(L"cpp_host");
  bool ok = Check(Call(driver, L"Init", {V::Object(&manager), V::ByRef(text)}), L"Init");
  ok &= Check(Call(driver, L"Open", {id, V::ByRef(text)}), L"Open: " + Text(text));
  VARIANT settings = Array({Array(
      {V::Bstr(L"InterfaceType"), V::Number(0), V::Bstr(L"PortNumber"), V::Number(hostCom)}, 2)});
  ok &= Check(Method(driver, L"SetSettings", settings, out), L"SetSettings");
  ok &= Check(Method(driver, L"Enable", none, out), L"Enable");
  ok &= Check(Method(driver, L"GetDeviceInfo", none, out) && Element(out, 0) == L"Scanner",
              L"GetDeviceInfo");
  if (ok) {
    Scan(scannerCom, "4006381333931");
    ok &= Check(PumpUntil([&] { return manager.scans == 1; }), L"the scan's data event came");
    VARIANT off = Array({V::Bool(false)});
    ok &= Check(Method(driver, L"EnableDataEvents", off, out), L"EnableDataEvents [False]");
    Scan(scannerCom, "4601234567890");
    ok &= Check(PumpUntil([&] {
                  return Method(driver, L"GetDataCount", none, out) && Element(out, 0) == L"1";
                }),
                L"with events off the scan waits in the queue");
    ok &= Check(Method(driver, L"GetScanData", none, out) && Element(out, 0) == L"4601234567890",
                L"GetScanData gives the queued scan");
    ok &= Check(!Method(driver, L"GetScanData", none, out) && Element(out, 0) == L"2001",
                L"an empty queue answers False and [2001, text]");
    ok &= Check(manager.scans == 1, L"no data event while events are off");
    VariantClear(&off);
  }
  ok &= Check(Method(driver, L"Disable", none, out), L"Disable");
  ok &= Check(Call(driver, L"Close", {}), L"Close");
  for (VARIANT* v : {&out, &settings, &text, &id}) VariantClear(v);
  driver->Release();
  CoUninitialize();
  Print(L"DONE");
  return ok ? 0 : 1;
}
