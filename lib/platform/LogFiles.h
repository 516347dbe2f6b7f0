#pragma once

#include <string_view>

#include "equipment/common/WideString.h"
#include "platform/PortResult.h"

namespace equ {

// Appends to log files: open (or create), write at the end, close, so every line is on disk
// when the call returns. A failure answers the path and the platform's error text.
class LogFiles {
 public:
  virtual ~LogFiles() = default;
  // denyOtherWriters: while the bytes are written no other writer may open the file.
  virtual PortStatus Append(const WideString& path, std::string_view bytes,
                            bool denyOtherWriters) const = 0;
};

}  // namespace equ
