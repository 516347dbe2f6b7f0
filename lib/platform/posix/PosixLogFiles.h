#pragma once

#include "platform/LogFiles.h"

namespace equ::posix {

// Appends with O_APPEND; "deny other writers" is an exclusive advisory lock for the write.
class PosixLogFiles : public LogFiles {
 public:
  PortStatus Append(const WideString& path, std::string_view bytes,
                    bool denyOtherWriters) const override;
};

}  // namespace equ::posix
