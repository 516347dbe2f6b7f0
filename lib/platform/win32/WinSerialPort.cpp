#include "WinSerialPort.h"

#include <memory>

#include "WinHandles.h"
#include "WinText.h"

namespace equ::win32 {

namespace {

KernelHandle NewManualResetEvent() {
  return KernelHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

// An overlapped record of one call with an unnamed manual-reset event of its own.
struct EventRecord {
  KernelHandle event = NewManualResetEvent();
  OVERLAPPED record{};
  EventRecord() { record.hEvent = event.get(); }
};

void ToDcbFlags(std::uint32_t flags, DCB& dcb) {
  dcb.fBinary = (flags & kSerialFlagBinary) != 0;
  dcb.fParity = (flags & kSerialFlagParity) != 0;
  dcb.fOutxCtsFlow = (flags & kSerialFlagOutCtsFlow) != 0;
  dcb.fOutxDsrFlow = (flags & kSerialFlagOutDsrFlow) != 0;
  dcb.fDtrControl = (flags & kSerialFlagDtrMask) >> 4;
  dcb.fDsrSensitivity = 0;
  dcb.fTXContinueOnXoff = 0;
  dcb.fOutX = (flags & kSerialFlagXonXoffOut) != 0;
  dcb.fInX = (flags & kSerialFlagXonXoffIn) != 0;
  dcb.fErrorChar = 0;
  dcb.fNull = 0;
  dcb.fRtsControl = (flags & kSerialFlagRtsMask) >> 12;
  dcb.fAbortOnError = (flags & kSerialFlagAbortOnError) != 0;
}

std::uint32_t FromDcbFlags(const DCB& dcb) {
  std::uint32_t flags = 0;
  if (dcb.fBinary) flags |= kSerialFlagBinary;
  if (dcb.fParity) flags |= kSerialFlagParity;
  if (dcb.fOutxCtsFlow) flags |= kSerialFlagOutCtsFlow;
  if (dcb.fOutxDsrFlow) flags |= kSerialFlagOutDsrFlow;
  flags |= static_cast<std::uint32_t>(dcb.fDtrControl) << 4;
  if (dcb.fOutX) flags |= kSerialFlagXonXoffOut;
  if (dcb.fInX) flags |= kSerialFlagXonXoffIn;
  flags |= static_cast<std::uint32_t>(dcb.fRtsControl) << 12;
  if (dcb.fAbortOnError) flags |= kSerialFlagAbortOnError;
  return flags;
}

}  // namespace

WinSerialPort::~WinSerialPort() {
  Close();
}

PortError WinSerialPort::Fail() {
  return PortFailure(SystemErrorText(GetLastError()));
}

PortStatus WinSerialPort::Open(int portNumber, bool overlapped) {
  Close();
  const std::wstring name = L"\\\\.\\COM" + std::to_wstring(portNumber);
  handle_.reset(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            overlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr));
  if (!handle_) return Fail();
  overlappedHandle_ = overlapped;
  return {};
}

void WinSerialPort::Close() {
  if (!IsOpen()) return;
  CloseOverlapped();
  handle_.reset();
  overlappedHandle_ = false;
}

PortStatus WinSerialPort::SetQueueSizes(std::uint32_t inputBytes, std::uint32_t outputBytes) {
  return Result(SetupComm(handle_.get(), inputBytes, outputBytes));
}

PortStatus WinSerialPort::Purge(std::uint32_t flags) {
  return Result(PurgeComm(handle_.get(), flags));
}

PortStatus WinSerialPort::GetLineState(SerialLineState& state) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(handle_.get(), &dcb)) return Fail();
  state.baudRate = dcb.BaudRate;
  state.flags = FromDcbFlags(dcb);
  state.xonLimit = dcb.XonLim;
  state.xoffLimit = dcb.XoffLim;
  state.byteSize = dcb.ByteSize;
  state.parity = dcb.Parity;
  state.stopBits = dcb.StopBits;
  state.xonChar = dcb.XonChar;
  state.xoffChar = dcb.XoffChar;
  state.eventChar = dcb.EvtChar;
  return {};
}

PortStatus WinSerialPort::SetLineState(const SerialLineState& state) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(handle_.get(), &dcb)) return Fail();
  dcb.DCBlength = sizeof dcb;
  dcb.BaudRate = state.baudRate;
  ToDcbFlags(state.flags, dcb);
  dcb.XonLim = state.xonLimit;
  dcb.XoffLim = state.xoffLimit;
  dcb.ByteSize = state.byteSize;
  dcb.Parity = state.parity;
  dcb.StopBits = state.stopBits;
  dcb.XonChar = state.xonChar;
  dcb.XoffChar = state.xoffChar;
  dcb.EvtChar = state.eventChar;
  return Result(SetCommState(handle_.get(), &dcb));
}

PortStatus WinSerialPort::SetTimeouts(const SerialTimeouts& t) {
  COMMTIMEOUTS timeouts{t.readInterval, t.readTotalMultiplier, t.readTotalConstant,
                        t.writeTotalMultiplier, t.writeTotalConstant};
  return Result(SetCommTimeouts(handle_.get(), &timeouts));
}

PortStatus WinSerialPort::EscapeFunction(std::uint32_t function) {
  return Result(EscapeCommFunction(handle_.get(), function));
}

PortStatus WinSerialPort::SetEventMask(std::uint32_t mask) {
  return Result(SetCommMask(handle_.get(), mask));
}

PortStatus WinSerialPort::InputQueueCount(std::uint32_t& count) {
  count = 0;
  DWORD errors = 0;
  COMSTAT status{};
  if (!ClearCommError(handle_.get(), &errors, &status)) return Fail();
  count = status.cbInQue;
  return {};
}

PortStatus WinSerialPort::Finish(BOOL started, OVERLAPPED& record, DWORD& done) {
  if (started) return Result(GetOverlappedResult(handle_.get(), &record, &done, FALSE));
  if (GetLastError() != ERROR_IO_PENDING) return Fail();
  return Result(GetOverlappedResult(handle_.get(), &record, &done, TRUE));
}

PortStatus WinSerialPort::Read(void* buffer, std::uint32_t size, std::uint32_t& done,
                               bool overlapped) {
  done = 0;
  DWORD got = 0;
  PortStatus ok;
  if (!overlappedHandle_) {
    ok = Result(ReadFile(handle_.get(), buffer, size, &got, nullptr));
  } else if (overlapped && readRecord_.hEvent) {
    ResetEvent(readRecord_.hEvent);
    ok = Finish(ReadFile(handle_.get(), buffer, size, nullptr, &readRecord_), readRecord_, got);
  } else {
    EventRecord own;
    ok = Finish(ReadFile(handle_.get(), buffer, size, nullptr, &own.record), own.record, got);
  }
  done = got;
  // A read of nothing may also be a device that has gone (Wine reads a hung-up line as empty):
  // the line's status, which such a device no longer answers, tells them apart.
  if (ok && got == 0 && size > 0) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(handle_.get(), &errors, &status)) return Fail();
  }
  return ok;
}

void WinSerialPort::AwaitPendingWrite() {
  if (!writePending_) return;
  DWORD ignored = 0;
  GetOverlappedResult(handle_.get(), &writeRecord_, &ignored, TRUE);
  writePending_ = false;
}

PortStatus WinSerialPort::Write(const void* buffer, std::uint32_t size, std::uint32_t& done,
                                bool overlapped) {
  done = 0;
  DWORD put = 0;
  if (!overlappedHandle_) {
    const PortStatus ok = Result(WriteFile(handle_.get(), buffer, size, &put, nullptr));
    done = put;
    return ok;
  }
  AwaitPendingWrite();
  if (overlapped && writeRecord_.hEvent) {
    // The bytes must outlive the call while the write is in progress.
    pendingBytes_.assign(static_cast<const char*>(buffer), size);
    ResetEvent(writeRecord_.hEvent);
    if (WriteFile(handle_.get(), pendingBytes_.data(), size, nullptr, &writeRecord_)) {
      const PortStatus ok = Result(GetOverlappedResult(handle_.get(), &writeRecord_, &put, FALSE));
      done = put;
      return ok;
    }
    if (GetLastError() != ERROR_IO_PENDING) return Fail();
    writePending_ = true;
    return {};
  }
  EventRecord own;
  const PortStatus ok =
      Finish(WriteFile(handle_.get(), buffer, size, nullptr, &own.record), own.record, put);
  done = put;
  return ok;
}

PortStatus WinSerialPort::OpenOverlapped() {
  CloseOverlapped();
  readEvent_ = NewManualResetEvent();
  writeEvent_ = NewManualResetEvent();
  readRecord_ = OVERLAPPED{};
  writeRecord_ = OVERLAPPED{};
  readRecord_.hEvent = readEvent_.get();
  writeRecord_.hEvent = writeEvent_.get();
  if (readEvent_ && writeEvent_) return {};
  const PortError failed = Fail();
  CloseOverlapped();
  return failed;
}

void WinSerialPort::CloseOverlapped() {
  if (IsOpen() && overlappedHandle_) {
    // Nothing may still use the records when their events go.
    CancelIo(handle_.get());
    AwaitPendingWrite();
  }
  writePending_ = false;
  readRecord_.hEvent = nullptr;
  writeRecord_.hEvent = nullptr;
  readEvent_.reset();
  writeEvent_.reset();
}

PortStatus WinSerialPort::WaitEvent(std::uint32_t timeoutMs) {
  if (!overlappedHandle_ || !readRecord_.hEvent) {
    return Result(WaitCommEvent(handle_.get(), &eventsSeen_, nullptr));
  }
  ResetEvent(readRecord_.hEvent);
  if (WaitCommEvent(handle_.get(), &eventsSeen_, &readRecord_)) return {};
  if (GetLastError() != ERROR_IO_PENDING) return Fail();
  const DWORD wait = WaitForSingleObject(readRecord_.hEvent, timeoutMs == 0 ? INFINITE : timeoutMs);
  DWORD ignored = 0;
  if (wait == WAIT_OBJECT_0)
    return Result(GetOverlappedResult(handle_.get(), &readRecord_, &ignored, FALSE));
  // The wait ran out (or failed): end the pending one so the record is free again.
  const DWORD error = wait == WAIT_TIMEOUT ? WAIT_TIMEOUT : GetLastError();
  DWORD mask = 0;
  GetCommMask(handle_.get(), &mask);
  SetCommMask(handle_.get(), 0);
  GetOverlappedResult(handle_.get(), &readRecord_, &ignored, TRUE);
  SetCommMask(handle_.get(), mask);
  return PortFailure(SystemErrorText(error));
}

void WinSerialPort::CancelEventWait() {
  if (IsOpen()) SetCommMask(handle_.get(), 0);
}

}  // namespace equ::win32
