#pragma once

#include <cstdint>
#include <memory>

#include "equipment/common/WideString.h"
#include "platform/PortResult.h"

namespace equ {

// Line settings of a serial port, laid out as the platform's device control block keeps them.
// `flags` carries the block's flag bits with their platform values (kSerialFlag...).
struct SerialLineState {
  std::uint32_t baudRate = 9600;
  std::uint32_t flags = 0;
  std::uint16_t xonLimit = 0;
  std::uint16_t xoffLimit = 0;
  std::uint8_t byteSize = 8;
  std::uint8_t parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
  std::uint8_t stopBits = 0;  // 0 one, 1 one and a half, 2 two
  char xonChar = 0;
  char xoffChar = 0;
  char eventChar = 0;
};

inline constexpr std::uint32_t kSerialFlagBinary = 0x0001;
inline constexpr std::uint32_t kSerialFlagParity = 0x0002;
inline constexpr std::uint32_t kSerialFlagOutCtsFlow = 0x0004;
inline constexpr std::uint32_t kSerialFlagOutDsrFlow = 0x0008;
inline constexpr std::uint32_t kSerialFlagDtrEnable = 0x0010;
inline constexpr std::uint32_t kSerialFlagDtrHandshake = 0x0020;
inline constexpr std::uint32_t kSerialFlagDtrMask = 0x0030;
inline constexpr std::uint32_t kSerialFlagXonXoffOut = 0x0100;
inline constexpr std::uint32_t kSerialFlagXonXoffIn = 0x0200;
inline constexpr std::uint32_t kSerialFlagRtsEnable = 0x1000;
inline constexpr std::uint32_t kSerialFlagRtsHandshake = 0x2000;
inline constexpr std::uint32_t kSerialFlagRtsToggle = 0x3000;
inline constexpr std::uint32_t kSerialFlagRtsMask = 0x3000;
inline constexpr std::uint32_t kSerialFlagAbortOnError = 0x4000;

// Time-outs of reads and writes in milliseconds, with the platform's meaning: a read waits at
// most readTotalMultiplier * count + readTotalConstant in all and readInterval between two
// bytes (0 = that limit is not used). readInterval all ones with both total values 0 returns
// at once with what is waiting; readInterval and readTotalMultiplier all ones with a constant
// between 1 and all ones minus one return at once when bytes wait, else as soon as the first
// byte comes, or after the constant with none.
struct SerialTimeouts {
  std::uint32_t readInterval = 0;
  std::uint32_t readTotalMultiplier = 0;
  std::uint32_t readTotalConstant = 0;
  std::uint32_t writeTotalMultiplier = 0;
  std::uint32_t writeTotalConstant = 0;
};

inline constexpr std::uint32_t kSerialTimeoutAllOnes = 0xFFFFFFFFu;

// Purge flags: abort pending writes / reads, clear the output / input queue.
inline constexpr std::uint32_t kSerialPurgeTxAbort = 0x0001;
inline constexpr std::uint32_t kSerialPurgeRxAbort = 0x0002;
inline constexpr std::uint32_t kSerialPurgeTxClear = 0x0004;
inline constexpr std::uint32_t kSerialPurgeRxClear = 0x0008;

// Escape functions of the modem-control lines.
inline constexpr std::uint32_t kSerialSetRts = 3;
inline constexpr std::uint32_t kSerialClearRts = 4;
inline constexpr std::uint32_t kSerialSetDtr = 5;
inline constexpr std::uint32_t kSerialClearDtr = 6;

// Event-mask bits: any character received, the event character received.
inline constexpr std::uint32_t kSerialEventRxChar = 0x0001;
inline constexpr std::uint32_t kSerialEventRxFlag = 0x0002;

// One serial (COM) device. The operations answer a failed PortStatus with the platform's
// message for it. One thread uses a port at a time, except CancelEventWait,
// which may come from another thread to end a pending WaitEvent.
class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // Opens COM<portNumber> for reading and writing, not shared, with overlapped input and
  // output when asked.
  virtual PortStatus Open(int portNumber, bool overlapped) = 0;
  virtual bool IsOpen() const = 0;
  virtual void Close() = 0;

  virtual PortStatus SetQueueSizes(std::uint32_t inputBytes, std::uint32_t outputBytes) = 0;
  virtual PortStatus Purge(std::uint32_t flags) = 0;
  virtual PortStatus GetLineState(SerialLineState& state) = 0;
  virtual PortStatus SetLineState(const SerialLineState& state) = 0;
  virtual PortStatus SetTimeouts(const SerialTimeouts& timeouts) = 0;
  virtual PortStatus EscapeFunction(std::uint32_t function) = 0;
  virtual PortStatus SetEventMask(std::uint32_t mask) = 0;
  // The number of bytes in the receive queue.
  virtual PortStatus InputQueueCount(std::uint32_t& count) = 0;

  // One read of at most `size` bytes under the time-outs; `done` is the count read. With
  // `overlapped` (on a port opened so) the read goes through the port's read record and the
  // call waits for it to finish.
  virtual PortStatus Read(void* buffer, std::uint32_t size, std::uint32_t& done,
                          bool overlapped) = 0;
  // One write of `size` bytes. With `overlapped`, a write still in progress when the call
  // returns counts as success with `done` 0; the port keeps its own copy of the bytes.
  virtual PortStatus Write(const void* buffer, std::uint32_t size, std::uint32_t& done,
                           bool overlapped) = 0;

  // The events and records of overlapped input and output: made after opening, released by
  // CloseOverlapped (and by Close).
  virtual PortStatus OpenOverlapped() = 0;
  virtual void CloseOverlapped() = 0;
  // Waits for an event of the mask (for at most timeoutMs, 0 = without limit); a failure when
  // the wait fails or runs out.
  virtual PortStatus WaitEvent(std::uint32_t timeoutMs) = 0;
  // Ends a pending WaitEvent (sets the event mask to 0).
  virtual void CancelEventWait() = 0;
};

// Makes serial ports: a new, closed port for each use.
class SerialPorts {
 public:
  virtual ~SerialPorts() = default;
  virtual std::unique_ptr<SerialPort> Create() = 0;
};

}  // namespace equ
