#include "scanner/DriverPorts.h"

#include "platform/PlatformPorts.h"

namespace equ {

TDriverPorts DriverPortsOf(const PlatformPorts& platform) {
  TDriverPorts ports;
  ports.mutexes = platform.mutexes;
  ports.testWindow = platform.textLogWindows;
  ports.acquiring = VornPortsOf(platform);
  ports.keyboard = KeyboardPortsOf(platform);
  ports.serial = SerialChannelPortsOf(platform);
  ports.settingsDialog = TSettingsDialogPorts{platform.dialogDesktop, platform.settingsViews,
                                              platform.module, platform.clock, platform.folders};
  return ports;
}

}  // namespace equ
