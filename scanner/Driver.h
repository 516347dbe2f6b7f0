#pragma once

#include "equipment/common/BaseObject.h"

namespace equ {

// The barcode-scanner driver object the host creates by "Ovex.MorvanelV41".
class TDriver : public TBaseObject {
 public:
  void Initialize() override;
};

}  // namespace equ
