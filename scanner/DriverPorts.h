#pragma once

#include <memory>

#include "equipment/common/a_vorn/VornDriver.h"
#include "platform/NamedMutex.h"
#include "platform/SettingsDialogPorts.h"
#include "platform/TextLogWindow.h"
#include "scanner/keyboard/KeyboardPorts.h"
#include "scanner/serial/SerialChannelPorts.h"

namespace equ {

struct PlatformPorts;

// Everything TDriver and the parts it makes (channels, test window, hand-off) use of the
// platform beyond what its base classes reach. Every port is required: a missing one raises
// std::logic_error naming it, when the driver is made or when it makes the part.
struct TDriverPorts {
  std::shared_ptr<NamedMutexes> mutexes;       // one keyboard scanner per logon
  std::shared_ptr<TextLogWindows> testWindow;  // the device test window
  TVornPorts acquiring;                        // the hand-off to a waiting payment driver
  TKeyboardPorts keyboard;
  TSerialChannelPorts serial;
  TSettingsDialogPorts settingsDialog;  // the settings dialog, its pages and the list
};

// The driver's ports taken from the platform's: how the module's class wires its objects.
TDriverPorts DriverPortsOf(const PlatformPorts& platform);

}  // namespace equ
