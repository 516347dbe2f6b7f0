#pragma once

#include <memory>

#include "platform/CodePage.h"
#include "platform/MessageWindow.h"
#include "platform/SerialPort.h"

namespace equ {

struct PlatformPorts;

// Everything the RS232 channel uses of the platform, all required: the channel refuses to
// start without one (std::logic_error naming it). `windows` makes the hidden window of the
// host thread and serves its messages; `serialPorts` gives a new port for each enabling;
// `codePage` turns the scanner's bytes into text.
struct TSerialChannelPorts {
  std::shared_ptr<MessageWindows> windows;
  std::shared_ptr<SerialPorts> serialPorts;
  std::shared_ptr<const CodePage> codePage;
};

// The channel's ports taken from the platform's.
TSerialChannelPorts SerialChannelPortsOf(const PlatformPorts& platform);

}  // namespace equ
