#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "WinHandles.h"
#include "platform/SerialPort.h"

namespace equ::win32 {

// A COM device through the Win32 communications API: "\\.\COMn", SetupComm, PurgeComm,
// Get/SetCommState, SetCommTimeouts, EscapeCommFunction, ClearCommError for the queue count,
// and overlapped input and output when opened so. On an overlapped handle a call that asks for
// no overlapped record still goes through a record of its own and waits for the result.
class WinSerialPort : public SerialPort {
 public:
  WinSerialPort() = default;
  ~WinSerialPort() override;
  WinSerialPort(const WinSerialPort&) = delete;
  WinSerialPort& operator=(const WinSerialPort&) = delete;

  PortStatus Open(int portNumber, bool overlapped) override;
  bool IsOpen() const override { return static_cast<bool>(handle_); }
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
  static PortError Fail();
  static PortStatus Result(BOOL ok) {
    if (ok) return {};
    return Fail();
  }
  // Completes an operation started on `record`: waits for it when it is pending.
  PortStatus Finish(BOOL started, OVERLAPPED& record, DWORD& done);
  void AwaitPendingWrite();

  KernelHandle handle_;
  bool overlappedHandle_ = false;
  KernelHandle readEvent_;
  KernelHandle writeEvent_;
  OVERLAPPED readRecord_{};
  OVERLAPPED writeRecord_{};
  bool writePending_ = false;
  std::string pendingBytes_;  // what an overlapped write in progress sends
  DWORD eventsSeen_ = 0;
};

class WinSerialPorts : public SerialPorts {
 public:
  std::unique_ptr<SerialPort> Create() override { return std::make_unique<WinSerialPort>(); }
};

}  // namespace equ::win32
