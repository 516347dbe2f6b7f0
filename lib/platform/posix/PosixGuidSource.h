#pragma once

#include "platform/GuidSource.h"

namespace equ {

// Random (version 4) GUIDs from the system's random source.
class PosixGuidSource : public GuidSource {
 public:
  WideString NewGuidText() override;
};

}  // namespace equ
