// The device's step that runs the common settings dialog.
#include "BaseDevice.h"

namespace equ {

bool TBaseDevice::ShowSettingsDialog(std::span<const TPageClass> pageClasses, bool hideDeviceTest,
                                     const TSettingsDialogPorts& ports) {
  StoreFocus();
  try {
    bool ok = false;
    {
      TfrmCommonSettings dialog(*this, pageClasses, ports);
      dialog.SetCapDeviceTest(!hideDeviceTest);
      ok = ports.views && ports.views->ShowCommonSettings(dialog);
      OnSettingsChanged();
    }
    RestoreFocus();
    return ok;
  } catch (...) {
    RestoreFocus();
    throw;
  }
}

}  // namespace equ
