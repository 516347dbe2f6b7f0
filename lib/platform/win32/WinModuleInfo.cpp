#include "WinModuleInfo.h"

#include <windows.h>

#include <vector>

#include "WinText.h"

namespace equ::win32 {

namespace {

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

}  // namespace

WideString WinModuleInfo::ModulePath() const {
  wchar_t buffer[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(ThisModule(), buffer, MAX_PATH);
  return FromWide(buffer, length);
}

WideString WinModuleInfo::LongPath(const WideString& path) const {
  wchar_t buffer[MAX_PATH] = {};
  const DWORD length = GetLongPathNameW(WidePtr(path), buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return path;
  return FromWide(buffer, length);
}

FileVersion WinModuleInfo::GetFileVersion(const WideString& path) const {
  const WideString file = path.empty() ? ModulePath() : path;
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(WidePtr(file), &handle);
  if (size == 0) return FileVersion{};
  std::vector<unsigned char> data(size);
  if (!GetFileVersionInfoW(WidePtr(file), 0, size, data.data())) return FileVersion{};
  VS_FIXEDFILEINFO* info = nullptr;
  UINT infoSize = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &infoSize) ||
      info == nullptr || infoSize < sizeof(VS_FIXEDFILEINFO)) {
    return FileVersion{};
  }
  return FileVersion{HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                     HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS)};
}

}  // namespace equ::win32
