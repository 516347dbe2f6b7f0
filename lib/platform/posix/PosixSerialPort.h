#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "platform/SerialPort.h"

namespace equ::posix {

// A serial device through termios. COM port number n is the device file named "COMn" in the
// directory given at construction; the default directory is the value of the environment
// variable EQU_SERIAL_DEVICE_DIR, and without it COMn is /dev/ttyS<n-1>. Tests point the
// directory at links to the ends of a pty pair.
//
// Reads follow the time-out record the way the platform's COM driver does (see
// SerialTimeouts); DTR and RTS go through the modem-control ioctls; the receive queue count
// comes from FIONREAD. Overlapped mode changes nothing here: every call finishes before it
// returns, and WaitEvent waits for input with poll().
class PosixSerialPort : public SerialPort {
 public:
  PosixSerialPort();
  explicit PosixSerialPort(std::string deviceDirectory);
  ~PosixSerialPort() override;
  PosixSerialPort(const PosixSerialPort&) = delete;
  PosixSerialPort& operator=(const PosixSerialPort&) = delete;

  // The device path of COM<portNumber> under the directory described above.
  static std::string DevicePath(const std::string& deviceDirectory, int portNumber);
  static std::string DefaultDeviceDirectory();

  PortStatus Open(int portNumber, bool overlapped) override;
  bool IsOpen() const override { return fd_ >= 0; }
  void Close() override;
  PortStatus SetQueueSizes(std::uint32_t inputBytes, std::uint32_t outputBytes) override;
  PortStatus Purge(std::uint32_t flags) override;
  PortStatus GetLineState(SerialLineState& state) override;
  PortStatus SetLineState(const SerialLineState& state) override;
  PortStatus SetTimeouts(const SerialTimeouts& timeouts) override;
  PortStatus EscapeFunction(std::uint32_t function) override;
  PortStatus SetEventMask(std::uint32_t mask) override;
  PortStatus InputQueueCount(std::uint32_t& count) override;
  PortStatus Read(void* buffer, std::uint32_t size, std::uint32_t& done, bool overlapped) override;
  PortStatus Write(const void* buffer, std::uint32_t size, std::uint32_t& done,
                   bool overlapped) override;
  PortStatus OpenOverlapped() override;
  void CloseOverlapped() override;
  PortStatus WaitEvent(std::uint32_t timeoutMs) override;
  void CancelEventWait() override;

 private:
  static PortError Fail(int error);
  static PortError FailIfClosed();
  // Waits until the device is readable (readable true) or the time runs out; a failure when
  // poll fails. timeoutMs < 0 waits without limit.
  PortStatus WaitReadable(int timeoutMs, bool& readable);
  // The other side of the terminal has gone (a pty whose master closed, a removed adapter).
  bool HungUp() const;

  std::string directory_;
  int fd_ = -1;
  SerialTimeouts timeouts_{};
  SerialLineState state_{};
  std::atomic<std::uint32_t> eventMask_{0};
  int cancelPipe_[2] = {-1, -1};
};

class PosixSerialPorts : public SerialPorts {
 public:
  std::unique_ptr<SerialPort> Create() override { return std::make_unique<PosixSerialPort>(); }
};

}  // namespace equ::posix
