#include "scanner/serial/Comm.h"

#include <algorithm>
#include <chrono>

#include "equipment/common/ResultCodes.h"
#include "scanner/serial/TickCount.h"

namespace equ {

namespace {

constexpr char16_t kOpenFailed[] = u"Ошибка открытия порта";
constexpr char16_t kNotOpen[] = u"Порт не открыт";
constexpr char16_t kWriteFailed[] = u"Не удалось записать данные в порт";
constexpr char16_t kReadFailed[] = u"Ошибка при чтении данных из порта";
constexpr char16_t kNoAnswer[] = u"Устройство не отвечает";
constexpr char16_t kProtocolError[] = u"Ошибка протокола обмена";
constexpr char16_t kNoData[] = u"Данные в буфере отсутствуют";

constexpr std::uint32_t kQueueSize = 32768;
constexpr std::uint32_t kPollMs = 5;
constexpr std::uint32_t kCommandRoundMs = 10;
constexpr std::uint32_t kReadChunk = 255;

using SteadyClock = std::chrono::steady_clock;

SteadyClock::time_point DeadlineAfter(std::uint32_t ms) {
  return SteadyClock::now() + std::chrono::milliseconds(ms);
}

std::uint32_t DtrFlags(TControlDtr control) {
  switch (control) {
    case TControlDtr::dtrEnable:
      return kSerialFlagDtrEnable;
    case TControlDtr::dtrHandshake:
      return kSerialFlagDtrHandshake;
    default:
      return 0;
  }
}

std::uint32_t RtsFlags(TControlRts control) {
  switch (control) {
    case TControlRts::rtsEnable:
      return kSerialFlagRtsEnable;
    case TControlRts::rtsHandshake:
      return kSerialFlagRtsHandshake;
    case TControlRts::rtsToggle:
      return kSerialFlagRtsToggle;
    default:
      return 0;
  }
}

}  // namespace

TComm::TComm(std::unique_ptr<SerialPort> port) : port_(std::move(port)) {}

TComm::~TComm() {
  Close();
}

bool TComm::Opened() const {
  return port_->IsOpen();
}

bool TComm::Track(const PortStatus& status) {
  if (!status) FLastPortError = status.error();
  return status.ok();
}

bool TComm::Fail(const char16_t* text) {
  FExtResultDescription = text;
  return false;
}

void TComm::SetSystemErrorText() {
  FExtResultDescription = FLastPortError;
}

bool TComm::EnsureOpen() {
  return Opened() || Open();
}

bool TComm::OpenHandle() {
  if (Track(port_->Open(FPortNumber, FOverlappedMode))) return true;
  FExtResultDescription = WideString(kOpenFailed) + u". " + FLastPortError;
  return false;
}

bool TComm::Open() {
  if (Opened()) return true;
  if (!OpenHandle()) return false;
  if (!Track(port_->SetQueueSizes(kQueueSize, kQueueSize))) {
    SetSystemErrorText();
    return false;
  }
  // The handle stays open after a failure of the steps below; Opened then reports true.
  if (!Purge(true) || !ApplyState() || !ApplyTimeouts()) return false;
  if (FOverlappedMode) {
    if (!Track(port_->OpenOverlapped())) {
      SetSystemErrorText();
      return false;
    }
    SetMask();
  }
  return true;
}

bool TComm::ApplyState() {
  if (!Opened()) return true;
  SerialLineState state;
  if (!Track(port_->GetLineState(state))) {
    SetSystemErrorText();
    return false;
  }
  state.xonChar = 17;
  state.xoffChar = 19;
  state.xonLimit = FXonLimit;
  state.xoffLimit = FXoffLimit;
  std::uint32_t flags = kSerialFlagBinary;
  if (FParity != TParity::prNone) flags |= kSerialFlagParity;
  if (FAbortOnError) flags |= kSerialFlagAbortOnError;
  if (FFlowControl.FOutCtsFlow) flags |= kSerialFlagOutCtsFlow;
  if (FFlowControl.FOutDsrFlow) flags |= kSerialFlagOutDsrFlow;
  flags |= DtrFlags(FFlowControl.FControlDtr) | RtsFlags(FFlowControl.FControlRts);
  if (FFlowControl.FXonXoffOut) flags |= kSerialFlagXonXoffOut;
  if (FFlowControl.FXonXoffIn) flags |= kSerialFlagXonXoffIn;
  state.flags = flags;
  state.parity = static_cast<std::uint8_t>(FParity);
  state.stopBits = static_cast<std::uint8_t>(FStopBits);
  state.baudRate = BaudRateToInt(FBaudRate);
  state.eventChar = FEvtChar;
  state.byteSize = FDataBits;
  if (!Track(port_->SetLineState(state))) {
    SetSystemErrorText();
    return false;
  }
  return true;
}

bool TComm::ApplyTimeouts() {
  if (!EnsureOpen()) return false;
  if (Track(port_->SetTimeouts(FTimeouts))) return true;
  SetSystemErrorText();
  return false;
}

bool TComm::Close() {
  if (!Opened()) return true;
  StopEventWaiting();
  SetCommDTR(false);
  Purge(true);
  port_->Close();
  return true;
}

bool TComm::Purge(bool abort) {
  if (!EnsureOpen()) return false;
  std::uint32_t flags = kSerialPurgeRxClear | kSerialPurgeTxClear;
  if (abort) flags |= kSerialPurgeRxAbort | kSerialPurgeTxAbort;
  if (Track(port_->Purge(flags))) return true;
  SetSystemErrorText();
  return false;
}

void TComm::SetCommDTR(bool value) {
  if (EnsureOpen()) Track(port_->EscapeFunction(value ? kSerialSetDtr : kSerialClearDtr));
}

void TComm::SetCommRTS(bool value) {
  if (EnsureOpen()) Track(port_->EscapeFunction(value ? kSerialSetRts : kSerialClearRts));
}

void TComm::SetMask() {
  Track(port_->SetEventMask(FEvtChar != 0 ? kSerialEventRxFlag : kSerialEventRxChar));
}

void TComm::StopEventWaiting() {
  if (!FOverlappedMode) return;
  port_->CancelEventWait();
  port_->CloseOverlapped();
}

void TComm::SetBaudRate(TBaudRate value) {
  if (value == FBaudRate) return;
  FBaudRate = value;
  if (Opened()) ApplyState();
}

void TComm::SetBaudRateAsInt(std::uint32_t value) {
  TBaudRate rate{};
  if (BaudRateFromInt(value, rate)) FBaudRate = rate;
}

bool TComm::SetTimeouts(const SerialTimeouts& value) {
  FTimeouts = value;
  return ApplyTimeouts();
}

std::uint32_t TComm::GetInQueue() {
  std::uint32_t count = 0;
  return Track(port_->InputQueueCount(count)) ? count : 0;
}

bool TComm::ReadOnce(void* buffer, std::uint32_t size, std::uint32_t& done, bool overlapped) {
  if (Track(port_->Read(buffer, size, done, overlapped))) return true;
  SetSystemErrorText();
  return false;
}

bool TComm::WaitPortEvent(std::uint32_t timeoutMs) {
  if (!FOverlappedMode || Track(port_->WaitEvent(timeoutMs))) return true;
  SetSystemErrorText();
  return false;
}

bool TComm::ReadByte(std::uint8_t& value) {
  std::uint32_t done = 0;
  if (!ReadOnce(&value, 1, done, FOverlappedMode)) return false;
  return done == 1 ? true : Fail(kNoAnswer);
}

bool TComm::ReadByte(std::uint8_t& value, std::uint32_t timeoutMs) {
  const std::uint32_t start = TickCountMs();
  for (;;) {
    if (GetInQueue() > 0) return ReadByte(value);
    if (TickCountMs() - start > timeoutMs) return Fail(kReadFailed);
    SleepMs(kPollMs);
  }
}

bool TComm::ReadChar(char& value) {
  std::uint8_t byte = static_cast<std::uint8_t>(value);
  const bool ok = ReadByte(byte);
  value = static_cast<char>(byte);
  return ok;
}

bool TComm::ReadChar(char& value, std::uint32_t timeoutMs) {
  std::uint8_t byte = static_cast<std::uint8_t>(value);
  const bool ok = ReadByte(byte, timeoutMs);
  value = static_cast<char>(byte);
  return ok;
}

std::int32_t TComm::iReadByte(std::uint8_t& value) {
  if (ReadByte(value)) return kResultOk;
  FExtResultDescription = WideString(kReadFailed) + u". " + FLastPortError;
  return kResultReadError;
}

bool TComm::ReadBytes(std::vector<std::uint8_t>& buff, std::uint32_t count) {
  buff.resize(count);
  if (count == 0) return true;
  std::uint32_t done = 0;
  if (!ReadOnce(buff.data(), count, done, FOverlappedMode)) return false;
  if (done == count) return true;
  return Fail(done == 0 ? kNoAnswer : kProtocolError);
}

bool TComm::ReadBytes(std::uint32_t count, std::vector<std::uint8_t>& buff) {
  count = std::min<std::uint32_t>(count, static_cast<std::uint32_t>(buff.size()));
  std::uint32_t done = 0;
  if (!ReadOnce(buff.data(), count, done, FOverlappedMode)) return false;
  return done == count ? true : Fail(kProtocolError);
}

bool TComm::ReadBytes(void* buff, std::uint32_t buffSize, std::uint32_t& read,
                      std::uint32_t timeoutMs) {
  read = 0;
  if (!Opened()) return Fail(kNotOpen);
  if (!WaitPortEvent(timeoutMs)) return false;
  const std::uint32_t waiting = GetInQueue();
  if (waiting == 0) return Fail(kNoData);
  std::uint32_t done = 0;
  if (!ReadOnce(buff, std::min(waiting, buffSize), done, FOverlappedMode)) return false;
  read = done;
  return true;
}

std::int32_t TComm::ReadStr(std::uint32_t count, std::string& data, bool controlLength) {
  data.assign(count, '\0');
  std::uint32_t done = 0;
  const bool ok = ReadOnce(data.data(), count, done, FOverlappedMode);
  data.resize(done);
  return ok && (!controlLength || done == count) ? kResultOk : kResultUnknownError;
}

std::int32_t TComm::ReadStr(std::string& data, char endSymb, std::uint32_t timeoutMs) {
  data.clear();
  const auto deadline = DeadlineAfter(timeoutMs);
  while (SteadyClock::now() <= deadline) {
    char chunk[kReadChunk];
    std::uint32_t done = 0;
    if (Track(port_->Read(chunk, kReadChunk, done, FOverlappedMode)) && done > 0) {
      // A zero byte ends what is taken from this read.
      data.append(chunk, std::find(chunk, chunk + done, '\0'));
      const std::size_t end = data.find(endSymb);
      if (end != std::string::npos && end + 1 == data.size()) return kResultOk;
    }
    SleepMs(kPollMs);
  }
  if (data.empty()) {
    Fail(kNoAnswer);
    return kResultNoAnswer;
  }
  Fail(kProtocolError);
  return kResultProtocolError;
}

std::int32_t TComm::ReadStr(std::uint32_t count, std::string& data, const std::string& endSymb) {
  FEndSymbol = endSymb;
  const std::int32_t result = ReadStr(count, data, false);
  if (result == kResultOk && data.find(endSymb) == std::string::npos) {
    Fail(kProtocolError);
    return kResultProtocolError;
  }
  return result;
}

std::int32_t TComm::ReadStr(std::string& data, std::uint32_t timeoutMs) {
  const auto deadline = DeadlineAfter(timeoutMs);
  while (SteadyClock::now() <= deadline) {
    if (GetInQueue() > 0) {
      char chunk[kReadChunk];
      std::uint32_t done = 0;
      if (Track(port_->Read(chunk, kReadChunk, done, FOverlappedMode)) && done > 0) {
        data.assign(chunk, done);
        return kResultOk;
      }
    }
    SleepMs(kPollMs);
  }
  Fail(kNoAnswer);
  return kResultNoAnswer;
}

bool TComm::ReadString(std::string& buff, std::uint32_t timeoutMs) {
  buff.clear();
  if (!WaitPortEvent(timeoutMs)) return false;
  const std::uint32_t waiting = GetInQueue();
  if (waiting == 0) return Fail(kNoData);
  buff.assign(waiting, '\0');
  std::uint32_t done = 0;
  const bool ok = ReadOnce(buff.data(), waiting, done, FOverlappedMode);
  buff.resize(done);
  return ok;
}

bool TComm::ReadString(std::uint32_t count, std::string& buff) {
  buff.assign(count, '\0');
  std::uint32_t done = 0;
  const bool ok = ReadOnce(buff.data(), count, done, FOverlappedMode);
  buff.resize(done);
  return ok;
}

bool TComm::WriteByte(std::uint8_t value) {
  if (!EnsureOpen()) return false;
  std::uint32_t done = 0;
  if (!Track(port_->Write(&value, 1, done, false))) {
    SetSystemErrorText();
    return false;
  }
  return done == 1 ? true : Fail(kWriteFailed);
}

bool TComm::WriteChar(char value) {
  return WriteByte(static_cast<std::uint8_t>(value));
}

bool TComm::WriteBytes(const void* buff, std::uint32_t buffSize) {
  if (!Opened()) return Fail(kNotOpen);
  std::uint32_t done = 0;
  if (Track(port_->Write(buff, buffSize, done, FOverlappedMode))) return true;
  SetSystemErrorText();
  return false;
}

bool TComm::WriteBytes(const std::vector<std::uint8_t>& buff) {
  return WriteBytes(buff.data(), static_cast<std::uint32_t>(buff.size()));
}

bool TComm::WriteStr(const std::string& data, std::int32_t sleepTimeMs) {
  if (data.empty()) return true;
  if (!EnsureOpen()) return false;
  std::uint32_t done = 0;
  const auto size = static_cast<std::uint32_t>(data.size());
  if (!Track(port_->Write(data.data(), size, done, false))) {
    SetSystemErrorText();
    return false;
  }
  if (done != size) return Fail(kWriteFailed);
  if (sleepTimeMs > 0) SleepMs(static_cast<std::uint32_t>(sleepTimeMs));
  return true;
}

std::int32_t TComm::SendCmd(const std::string& data) {
  return WriteStr(data, 0) ? kResultOk : kResultUnknownError;
}

std::int32_t TComm::RunCmd(const std::string& inData, std::string& outData, std::int32_t maxLen,
                           std::uint32_t timeoutMs, std::uint8_t countAfterEnd) {
  outData.clear();
  const auto deadline = DeadlineAfter(timeoutMs);
  if (!WriteStr(inData, 0)) return kResultNoAnswer;
  const auto chunkSize = static_cast<std::uint32_t>(std::max<std::int32_t>(maxLen, 0));
  while (SteadyClock::now() < deadline) {
    std::string chunk;
    ReadStr(chunkSize, chunk, false);
    if (!chunk.empty()) {
      outData += chunk;
      if (!FEndSymbol.empty()) {
        if (countAfterEnd == 0 && chunk.find(FEndSymbol) != std::string::npos) break;
        // Stop once the end marker has come and the bytes that follow it are all there.
        const std::size_t end = outData.find(FEndSymbol);
        if (end != std::string::npos && end + FEndSymbol.size() + countAfterEnd <= outData.size())
          break;
      }
    }
    SleepMs(kCommandRoundMs);
  }
  if (maxLen == 0 || !outData.empty()) return kResultOk;
  Fail(kNoAnswer);
  return kResultNoAnswer;
}

std::int32_t TComm::RunCmd(const std::string& inData, std::string& outData,
                           const std::string& endSymb, std::int32_t maxLen, std::int32_t timeoutMs,
                           std::uint8_t countAfterEnd) {
  FEndSymbol = endSymb;
  const std::int32_t result = RunCmd(
      inData, outData, maxLen, static_cast<std::uint32_t>(std::max(timeoutMs, 0)), countAfterEnd);
  if (result == kResultOk && outData.find(endSymb) == std::string::npos) {
    Fail(kProtocolError);
    return kResultProtocolError;
  }
  return result;
}

}  // namespace equ
