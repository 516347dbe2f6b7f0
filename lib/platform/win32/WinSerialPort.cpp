#include "WinSerialPort.h"

#include <memory>

#include "WinText.h"

namespace equ::win32 {

namespace {

// An unnamed manual-reset event, not signalled, closed with its owner.
struct EventRecord {
  OVERLAPPED record{};
  EventRecord() { record.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr); }
  ~EventRecord() {
    if (record.hEvent) CloseHandle(record.hEvent);
  }
  EventRecord(const EventRecord&) = delete;
  EventRecord& operator=(const EventRecord&) = delete;
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

bool WinSerialPort::Fail() {
  lastError_ = GetLastError();
  return false;
}

bool WinSerialPort::Open(int portNumber, bool overlapped) {
  Close();
  const std::wstring name = L"\\\\.\\COM" + std::to_wstring(portNumber);
  handle_ = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                        overlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr);
  if (handle_ == INVALID_HANDLE_VALUE) return Fail();
  overlappedHandle_ = overlapped;
  return true;
}

void WinSerialPort::Close() {
  if (!IsOpen()) return;
  CloseOverlapped();
  CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
  overlappedHandle_ = false;
}

bool WinSerialPort::SetQueueSizes(std::uint32_t inputBytes, std::uint32_t outputBytes) {
  return Result(SetupComm(handle_, inputBytes, outputBytes));
}

bool WinSerialPort::Purge(std::uint32_t flags) {
  return Result(PurgeComm(handle_, flags));
}

bool WinSerialPort::GetLineState(SerialLineState& state) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(handle_, &dcb)) return Fail();
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
  return true;
}

bool WinSerialPort::SetLineState(const SerialLineState& state) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(handle_, &dcb)) return Fail();
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
  return Result(SetCommState(handle_, &dcb));
}

bool WinSerialPort::SetTimeouts(const SerialTimeouts& t) {
  COMMTIMEOUTS timeouts{t.readInterval, t.readTotalMultiplier, t.readTotalConstant,
                        t.writeTotalMultiplier, t.writeTotalConstant};
  return Result(SetCommTimeouts(handle_, &timeouts));
}

bool WinSerialPort::EscapeFunction(std::uint32_t function) {
  return Result(EscapeCommFunction(handle_, function));
}

bool WinSerialPort::SetEventMask(std::uint32_t mask) {
  return Result(SetCommMask(handle_, mask));
}

bool WinSerialPort::InputQueueCount(std::uint32_t& count) {
  count = 0;
  DWORD errors = 0;
  COMSTAT status{};
  if (!ClearCommError(handle_, &errors, &status)) return Fail();
  count = status.cbInQue;
  return true;
}

bool WinSerialPort::Finish(BOOL started, OVERLAPPED& record, DWORD& done) {
  if (started) return Result(GetOverlappedResult(handle_, &record, &done, FALSE));
  if (GetLastError() != ERROR_IO_PENDING) return Fail();
  return Result(GetOverlappedResult(handle_, &record, &done, TRUE));
}

bool WinSerialPort::Read(void* buffer, std::uint32_t size, std::uint32_t& done, bool overlapped) {
  done = 0;
  DWORD got = 0;
  bool ok = false;
  if (!overlappedHandle_) {
    ok = Result(ReadFile(handle_, buffer, size, &got, nullptr));
  } else if (overlapped && readRecord_.hEvent) {
    ResetEvent(readRecord_.hEvent);
    ok = Finish(ReadFile(handle_, buffer, size, nullptr, &readRecord_), readRecord_, got);
  } else {
    EventRecord own;
    ok = Finish(ReadFile(handle_, buffer, size, nullptr, &own.record), own.record, got);
  }
  done = got;
  return ok;
}

void WinSerialPort::AwaitPendingWrite() {
  if (!writePending_) return;
  DWORD ignored = 0;
  GetOverlappedResult(handle_, &writeRecord_, &ignored, TRUE);
  writePending_ = false;
}

bool WinSerialPort::Write(const void* buffer, std::uint32_t size, std::uint32_t& done,
                          bool overlapped) {
  done = 0;
  DWORD put = 0;
  if (!overlappedHandle_) {
    const bool ok = Result(WriteFile(handle_, buffer, size, &put, nullptr));
    done = put;
    return ok;
  }
  AwaitPendingWrite();
  if (overlapped && writeRecord_.hEvent) {
    // The bytes must outlive the call while the write is in progress.
    pendingBytes_.assign(static_cast<const char*>(buffer), size);
    ResetEvent(writeRecord_.hEvent);
    if (WriteFile(handle_, pendingBytes_.data(), size, nullptr, &writeRecord_)) {
      const bool ok = Result(GetOverlappedResult(handle_, &writeRecord_, &put, FALSE));
      done = put;
      return ok;
    }
    if (GetLastError() != ERROR_IO_PENDING) return Fail();
    writePending_ = true;
    return true;
  }
  EventRecord own;
  const bool ok = Finish(WriteFile(handle_, buffer, size, nullptr, &own.record), own.record, put);
  done = put;
  return ok;
}

bool WinSerialPort::OpenOverlapped() {
  CloseOverlapped();
  readRecord_ = OVERLAPPED{};
  writeRecord_ = OVERLAPPED{};
  readRecord_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  writeRecord_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (readRecord_.hEvent && writeRecord_.hEvent) return true;
  Fail();
  CloseOverlapped();
  return false;
}

void WinSerialPort::CloseOverlapped() {
  if (IsOpen() && overlappedHandle_) {
    // Nothing may still use the records when their events go.
    CancelIo(handle_);
    AwaitPendingWrite();
  }
  writePending_ = false;
  for (OVERLAPPED* record : {&readRecord_, &writeRecord_}) {
    if (record->hEvent) CloseHandle(record->hEvent);
    record->hEvent = nullptr;
  }
}

bool WinSerialPort::WaitEvent(std::uint32_t timeoutMs) {
  if (!overlappedHandle_ || !readRecord_.hEvent) {
    return Result(WaitCommEvent(handle_, &eventsSeen_, nullptr));
  }
  ResetEvent(readRecord_.hEvent);
  if (WaitCommEvent(handle_, &eventsSeen_, &readRecord_)) return true;
  if (GetLastError() != ERROR_IO_PENDING) return Fail();
  const DWORD wait = WaitForSingleObject(readRecord_.hEvent, timeoutMs == 0 ? INFINITE : timeoutMs);
  DWORD ignored = 0;
  if (wait == WAIT_OBJECT_0)
    return Result(GetOverlappedResult(handle_, &readRecord_, &ignored, FALSE));
  // The wait ran out (or failed): end the pending one so the record is free again.
  const DWORD error = wait == WAIT_TIMEOUT ? WAIT_TIMEOUT : GetLastError();
  DWORD mask = 0;
  GetCommMask(handle_, &mask);
  SetCommMask(handle_, 0);
  GetOverlappedResult(handle_, &readRecord_, &ignored, TRUE);
  SetCommMask(handle_, mask);
  lastError_ = error;
  return false;
}

void WinSerialPort::CancelEventWait() {
  if (IsOpen()) SetCommMask(handle_, 0);
}

WideString WinSerialPort::LastErrorText() const {
  return win32::SystemErrorText(lastError_);
}

}  // namespace equ::win32
