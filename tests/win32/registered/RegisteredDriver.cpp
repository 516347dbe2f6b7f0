#include "RegisteredDriver.h"

#include <objbase.h>

#include "platform/win32/WinText.h"

namespace equ::win32::testing {

namespace {

constexpr wchar_t kServerKey[] =
    L"Software\\Classes\\CLSID\\{5C3E9A71-2B4D-4F86-9E1A-7D20C4B8E613}\\InprocServer32";

// The machine-wide registration found when the program started, given back at its end.
std::wstring& EarlierServerPath() {
  static std::wstring path;
  return path;
}

std::wstring BuiltModulePath() {
  const std::string narrow = EQU_MODULE_PATH;
  return std::wstring(narrow.begin(), narrow.end());
}

std::wstring TempFolder() {
  wchar_t buffer[MAX_PATH] = {};
  const DWORD length = GetTempPathW(MAX_PATH, buffer);
  return std::wstring(buffer, length);
}

// Runs a program of the system and waits for it; answers its exit code.
DWORD RunAndWait(std::wstring commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return GetLastError();
  }
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

std::wstring& ModuleFolder() {
  static std::wstring folder =
      TempFolder() + L"Ovex Driver " + std::to_wstring(GetCurrentProcessId()) + L"\\";
  return folder;
}

std::wstring Regsvr32(const std::wstring& options, const std::wstring& module) {
  return L"regsvr32.exe /s " + options + L"\"" + module + L"\"";
}

}  // namespace

const std::wstring& RegisteredModulePath() {
  static const std::wstring path = ModuleFolder() + L"s_morvanelv41.dll";
  return path;
}

std::wstring RegisteredServerPath() {
  wchar_t buffer[MAX_PATH] = {};
  DWORD size = sizeof buffer;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kServerKey, nullptr, RRF_RT_REG_SZ, nullptr, buffer,
                   &size) != ERROR_SUCCESS) {
    return std::wstring();
  }
  return buffer;
}

void RegistrationEnvironment::SetUp() {
  CreateDirectoryW(ModuleFolder().c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(BuiltModulePath().c_str(), RegisteredModulePath().c_str(), FALSE))
      << "cannot copy " << EQU_MODULE_PATH;
  // Machine-wide: this Wine does not merge the per-user classes into the classes root that
  // CoCreateInstance reads.
  EarlierServerPath() = RegisteredServerPath();
  ASSERT_EQ(RunAndWait(Regsvr32(L"", RegisteredModulePath())), 0u) << "regsvr32 failed";
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
}

void RegistrationEnvironment::TearDown() {
  CoFreeUnusedLibraries();
  CoUninitialize();
  RunAndWait(Regsvr32(L"/u ", RegisteredModulePath()));
  if (!EarlierServerPath().empty()) RunAndWait(Regsvr32(L"", EarlierServerPath()));
  DeleteFileW(RegisteredModulePath().c_str());
  RemoveDirectoryW(ModuleFolder().c_str());
}

RegisteredDriver::RegisteredDriver() {
  CLSID clsid{};
  result_ = CLSIDFromProgID(L"Ovex.MorvanelV41", &clsid);
  if (FAILED(result_)) return;
  IDispatch* dispatch = nullptr;
  result_ = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             reinterpret_cast<void**>(&dispatch));
  if (FAILED(result_)) return;
  port_ = std::make_shared<ComDispatchPort>(dispatch);
  dispatch->Release();
}

bool RegisteredDriver::CallPublic(const char16_t* name, Variant inData, Variant* outData) {
  DispatchArgument args[] = {{std::move(inData), false}, {Variant(), true}, {Variant(0), false}};
  const bool ok = port_->CallMethod(name, args).ToBool();
  if (outData != nullptr) *outData = args[1].value;
  return ok;
}

bool RegisteredDriver::CallPrivate(const char16_t* name, Variant argument,
                                   WideString* description) {
  DispatchArgument args[] = {{std::move(argument), false}, {Variant(), true}};
  const bool ok = port_->CallMethod(name, args).ToBool();
  if (description != nullptr) *description = args[1].value.ToString();
  return ok;
}

SafeArray RegisteredDriver::Settings() {
  Variant out;
  EXPECT_TRUE(CallPublic(u"GetSettings", Variant(), &out));
  return *out.Array()->At(0).Array();
}

bool RegisteredDriver::SetSetting(const WideString& id, Variant value) {
  SafeArray table = Settings();
  const auto columns = static_cast<std::int32_t>(table.Bounds()[1].count);
  for (std::int32_t j = 0; j < columns; ++j) {
    const std::int32_t idIndex[] = {0, j};
    const std::int32_t valueIndex[] = {1, j};
    if (table.Find(idIndex)->ToString() == id) *table.Find(valueIndex) = value;
  }
  return CallPublic(u"SetSettings", Variant(SafeArray::Vector({Variant(table)})));
}

}  // namespace equ::win32::testing
