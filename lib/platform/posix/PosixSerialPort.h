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

  bool Open(int portNumber, bool overlapped) override;
  bool IsOpen() const override { return fd_ >= 0; }
  void Close() override;
  bool SetQueueSizes(std::uint32_t inputBytes, std::uint32_t outputBytes) override;
  bool Purge(std::uint32_t flags) override;
  bool GetLineState(SerialLineState& state) override;
  bool SetLineState(const SerialLineState& state) override;
  bool SetTimeouts(const SerialTimeouts& timeouts) override;
  bool EscapeFunction(std::uint32_t function) override;
  bool SetEventMask(std::uint32_t mask) override;
  bool InputQueueCount(std::uint32_t& count) override;
  bool Read(void* buffer, std::uint32_t size, std::uint32_t& done, bool overlapped) override;
  bool Write(const void* buffer, std::uint32_t size, std::uint32_t& done, bool overlapped) override;
  bool OpenOverlapped() override;
  void CloseOverlapped() override;
  bool WaitEvent(std::uint32_t timeoutMs) override;
  void CancelEventWait() override;
  WideString LastErrorText() const override;

 private:
  bool Fail(int error);
  bool FailIfClosed();
  // Waits until the device is readable (true), the time runs out or poll fails (false);
  // timeoutMs < 0 waits without limit.
  bool WaitReadable(int timeoutMs, bool& readable);

  std::string directory_;
  int fd_ = -1;
  int lastError_ = 0;
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
