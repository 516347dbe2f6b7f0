#pragma once

#include "platform/SystemInfo.h"

namespace equ::posix {

// The native build runs on no Windows version: its query always fails ("Unknown").
class PosixSystemInfo : public SystemInfo {
 public:
  PortResult<OsVersion> OperatingSystemVersion() const override {
    return PortFailure(u"Версия Windows неизвестна");
  }
};

}  // namespace equ::posix
