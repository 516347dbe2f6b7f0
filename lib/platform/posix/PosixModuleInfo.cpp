#include "PosixModuleInfo.h"

#include <dlfcn.h>

namespace equ::posix {

WideString PosixModuleInfo::ModulePath() const {
  Dl_info info{};
  static const int anchor = 0;
  if (dladdr(&anchor, &info) == 0 || info.dli_fname == nullptr) return WideString();
  return Utf8ToWide(info.dli_fname);
}

FileVersion PosixModuleInfo::GetFileVersion(const WideString& path) const {
  if (!path.empty() && path != ModulePath()) return FileVersion{};
  return FileVersion{EQU_VERSION_MAJOR, EQU_VERSION_MINOR, EQU_VERSION_RELEASE, EQU_VERSION_BUILD};
}

}  // namespace equ::posix
