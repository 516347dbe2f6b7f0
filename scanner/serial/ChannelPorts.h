#pragma once

#include <memory>

#include "platform/MessageWindow.h"
#include "platform/SerialPort.h"

namespace equ {

// The adapters of the running platform (Win32 in the Windows build, POSIX in the native one).
// The serial port for the RS232 channel; the hidden windows for the hand-off to the host thread
// are declared with their port (platform/MessageWindow.h).
std::unique_ptr<SerialPort> CreatePlatformSerialPort();

}  // namespace equ
