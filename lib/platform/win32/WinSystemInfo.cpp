#include "WinSystemInfo.h"

#include <windows.h>

#include "WinText.h"

namespace equ::win32 {

std::optional<OsVersion> WinSystemInfo::OperatingSystemVersion() const {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (ntdll == nullptr) return std::nullopt;
  auto getVersion = reinterpret_cast<RtlGetVersionFn>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
  if (getVersion == nullptr) return std::nullopt;
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (getVersion(&info) != 0) return std::nullopt;
  return OsVersion{info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber,
                   info.dwPlatformId == VER_PLATFORM_WIN32_NT, FromWide(info.szCSDVersion)};
}

}  // namespace equ::win32
