#include "scanner/serial/SerialChannelPorts.h"

#include "platform/PlatformPorts.h"

namespace equ {

TSerialChannelPorts SerialChannelPortsOf(const PlatformPorts& platform) {
  return TSerialChannelPorts{platform.messageWindows, platform.serialPorts, platform.codePage};
}

}  // namespace equ
