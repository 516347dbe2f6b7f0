#pragma once

#include "equipment/common/BaseScanner.h"

namespace equ {

// The barcode-scanner driver object the host creates by "Ovex.MorvanelV41": its device
// information and settings, the choice between the keyboard-wedge and the RS232 channel, and
// the routing of every barcode read.
class TDriver : public TBaseScanner {
 protected:
  void OnSetDeviceInfo() override;
  void RegisterSettings() override;
};

}  // namespace equ
