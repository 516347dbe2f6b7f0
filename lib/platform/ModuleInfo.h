#pragma once

#include <cstdint>

#include "equipment/common/WideString.h"

namespace equ {

// Four numbers of a file's version resource; all 0 when the file has none.
struct FileVersion {
  std::uint16_t major = 0;
  std::uint16_t minor = 0;
  std::uint16_t release = 0;
  std::uint16_t build = 0;
  friend bool operator==(const FileVersion&, const FileVersion&) = default;
};

// The driver module itself: where its file is and which version it carries.
class ModuleInfo {
 public:
  virtual ~ModuleInfo() = default;
  // Full path of the driver module file (not of the host program).
  virtual WideString ModulePath() const = 0;
  // The long-name form of a path (short 8.3 components expanded).
  virtual WideString LongPath(const WideString& path) const = 0;
  // Version of the file at a path; an empty path means the driver module.
  virtual FileVersion GetFileVersion(const WideString& path) const = 0;
};

}  // namespace equ
