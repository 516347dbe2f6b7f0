#pragma once

#include "platform/LogFiles.h"

namespace equ::win32 {

class WinLogFiles : public LogFiles {
 public:
  PortStatus Append(const WideString& path, std::string_view bytes,
                    bool denyOtherWriters) const override;
};

}  // namespace equ::win32
