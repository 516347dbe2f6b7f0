#pragma once

#include "platform/SystemInfo.h"

namespace equ::win32 {

// The true version from ntdll's RtlGetVersion (GetVersionEx answers what the program's
// manifest allows).
class WinSystemInfo : public SystemInfo {
 public:
  PortResult<OsVersion> OperatingSystemVersion() const override;
};

}  // namespace equ::win32
