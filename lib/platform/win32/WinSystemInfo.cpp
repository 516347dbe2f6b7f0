#include "WinSystemInfo.h"

#include <windows.h>

#include "WinText.h"

namespace equ::win32 {

PortResult<OsVersion> WinSystemInfo::OperatingSystemVersion() const {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (ntdll == nullptr) return PortFailure(SystemErrorText(GetLastError()));
  auto getVersion = reinterpret_cast<RtlGetVersionFn>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
  if (getVersion == nullptr) return PortFailure(SystemErrorText(GetLastError()));
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (getVersion(&info) != 0) return PortFailure(u"RtlGetVersion не ответила версией");
  return OsVersion{info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber,
                   info.dwPlatformId == VER_PLATFORM_WIN32_NT, FromWide(info.szCSDVersion)};
}

}  // namespace equ::win32
