#pragma once

#include "platform/SystemInfo.h"

namespace equ {

// The native build runs on no Windows version: its query always fails ("Unknown").
class PosixSystemInfo : public SystemInfo {
 public:
  std::optional<OsVersion> OperatingSystemVersion() const override { return std::nullopt; }
};

}  // namespace equ
