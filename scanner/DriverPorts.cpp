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
  return ports;
}

}  // namespace equ
