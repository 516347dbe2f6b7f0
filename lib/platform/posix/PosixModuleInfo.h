#pragma once

#include "platform/ModuleInfo.h"

namespace equ::posix {

// The module of the native build: the executable or shared object this code is linked into.
// Native files carry no version resource; the module itself reports the build's version.
class PosixModuleInfo : public ModuleInfo {
 public:
  WideString ModulePath() const override;
  WideString LongPath(const WideString& path) const override { return path; }
  FileVersion GetFileVersion(const WideString& path) const override;
};

}  // namespace equ::posix
