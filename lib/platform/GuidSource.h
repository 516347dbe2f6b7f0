#pragma once

#include "equipment/common/WideString.h"

namespace equ {

// New globally unique identifiers.
class GuidSource {
 public:
  virtual ~GuidSource() = default;
  // A new GUID in its registry text form: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, upper case.
  virtual WideString NewGuidText() = 0;
};

}  // namespace equ
