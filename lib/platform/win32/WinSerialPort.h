#pragma once

#include <windows.h>

#include <memory>
#include <string>

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

  bool Open(int portNumber, bool overlapped) override;
  bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }
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
  bool Fail();
  bool Result(BOOL ok) { return ok ? true : Fail(); }
  // Completes an operation started on `record`: waits for it when it is pending.
  bool Finish(BOOL started, OVERLAPPED& record, DWORD& done);
  void AwaitPendingWrite();

  HANDLE handle_ = INVALID_HANDLE_VALUE;
  bool overlappedHandle_ = false;
  DWORD lastError_ = 0;
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
