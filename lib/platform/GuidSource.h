#pragma once

#include "equipment/common/WideString.h"
#include "platform/PortResult.h"

namespace equ {

// New globally unique identifiers.
class GuidSource {
 public:
  virtual ~GuidSource() = default;
  // A new GUID in its registry text form: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, upper case.
  virtual PortResult<WideString> NewGuidText() = 0;
};

}  // namespace equ
