#pragma once

#include "equipment/common/BaseScanner.h"

namespace equ {

// The barcode-scanner driver object the host creates by "Ovex.MorvanelV41".
class TDriver : public TBaseScanner {};

}  // namespace equ
