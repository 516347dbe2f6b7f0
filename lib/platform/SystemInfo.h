#pragma once

#include <cstdint>
#include "equipment/common/WideString.h"
#include "platform/PortResult.h"

namespace equ {

// The operating system's version as the platform's version query gives it.
struct OsVersion {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  bool ntPlatform = true;
  WideString servicePack;
};

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  virtual PortResult<OsVersion> OperatingSystemVersion() const = 0;
};

}  // namespace equ
