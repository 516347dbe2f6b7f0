// The device's step that runs the common settings dialog.
#include "BaseDevice.h"

namespace equ {

bool TBaseDevice::ShowSettingsDialog(std::span<const TPageClass> pageClasses, bool hideDeviceTest,
                                     const TSettingsDialogPorts& ports) {
  // The host's windows are switched off around the dialog and on again when it has gone.
  const ModalHostWindows modal(*this);
  TfrmCommonSettings dialog(*this, pageClasses, ports);
  dialog.SetCapDeviceTest(!hideDeviceTest);
  const bool ok = ports.views && ports.views->ShowCommonSettings(dialog);
  OnSettingsChanged();
  return ok;
}

}  // namespace equ
