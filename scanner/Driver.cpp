#include "Driver.h"

namespace equ {

void TDriver::Initialize() {
  TBaseObject::Initialize();
  SetDebugLogEnabled(false);
}

}  // namespace equ
