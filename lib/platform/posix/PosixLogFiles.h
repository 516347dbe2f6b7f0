#pragma once

#include "platform/LogFiles.h"

namespace equ {

// Appends with O_APPEND; "deny other writers" is an exclusive advisory lock for the write.
class PosixLogFiles : public LogFiles {
 public:
  void Append(const WideString& path, std::string_view bytes, bool denyOtherWriters) const override;
};

}  // namespace equ
