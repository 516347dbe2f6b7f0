#pragma once

#include "platform/GuidSource.h"

namespace equ::posix {

// Random (version 4) GUIDs from the system's random source.
class PosixGuidSource : public GuidSource {
 public:
  PortResult<WideString> NewGuidText() override;
};

}  // namespace equ::posix
