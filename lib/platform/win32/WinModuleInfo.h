#pragma once

#include "platform/ModuleInfo.h"

namespace equ::win32 {

// The module this code is linked into (the driver DLL, or a test program) and the version
// resources of files.
class WinModuleInfo : public ModuleInfo {
 public:
  WideString ModulePath() const override;
  WideString LongPath(const WideString& path) const override;
  FileVersion GetFileVersion(const WideString& path) const override;
};

}  // namespace equ::win32
