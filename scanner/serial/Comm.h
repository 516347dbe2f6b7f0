#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "equipment/common/WideString.h"
#include "platform/SerialPort.h"
#include "scanner/serial/CommTypes.h"

namespace equ {

// One serial (COM) port: opening by number, line settings, flow control, time-outs, the DTR
// and RTS lines, and reads, writes and command/answer exchanges of 8-bit byte strings.
// Nothing raises: every operation answers a Boolean or a result code and leaves the reason of
// a failure in ExtResultDescription. One thread uses an object at a time.
class TComm {
 public:
  explicit TComm(std::unique_ptr<SerialPort> port);
  virtual ~TComm();
  TComm(const TComm&) = delete;
  TComm& operator=(const TComm&) = delete;

  bool Open();
  bool Close();
  bool Opened() const;
  // Discards both queues; with abort also cancels pending reads and writes. Opens the port
  // when it is closed.
  bool Purge(bool abort);
  // Raise (true) or drop the line; open the port when needed; failures are silent.
  void SetCommDTR(bool value);
  void SetCommRTS(bool value);
  // The event mask: the event character when EvtChar is set, else any character.
  void SetMask();
  // Overlapped mode only: ends a pending event wait and releases the overlapped records.
  void StopEventWaiting();

  TBaudRate BaudRate() const { return FBaudRate; }
  // Re-applies the line settings when the port is open and the speed changes.
  void SetBaudRate(TBaudRate value);
  std::uint32_t BaudRateAsInt() const { return BaudRateToInt(FBaudRate); }
  // A speed outside the table leaves BaudRate as it is; nothing is applied to an open port.
  void SetBaudRateAsInt(std::uint32_t value);
  int PortNumber() const { return FPortNumber; }
  void SetPortNumber(int value) { FPortNumber = value; }
  const SerialTimeouts& Timeouts() const { return FTimeouts; }
  // Stores and applies the time-outs, opening the port when needed.
  bool SetTimeouts(const SerialTimeouts& value);
  TParity Parity() const { return FParity; }
  void SetParity(TParity value) { FParity = value; }
  TStopBits StopBits() const { return FStopBits; }
  void SetStopBits(TStopBits value) { FStopBits = value; }
  std::uint8_t DataBits() const { return FDataBits; }
  void SetDataBits(std::uint8_t value) { FDataBits = value; }
  const TFlowControl& FlowControl() const { return FFlowControl; }
  void SetFlowControl(const TFlowControl& value) { FFlowControl = value; }
  bool AbortOnError() const { return FAbortOnError; }
  void SetAbortOnError(bool value) { FAbortOnError = value; }
  bool OverlappedMode() const { return FOverlappedMode; }
  void SetOverlappedMode(bool value) { FOverlappedMode = value; }
  // Takes effect at the next Open.
  char EvtChar() const { return FEvtChar; }
  void SetEvtChar(char value) { FEvtChar = value; }
  std::uint16_t XonLimit() const { return FXonLimit; }
  void SetXonLimit(std::uint16_t value) { FXonLimit = value; }
  std::uint16_t XoffLimit() const { return FXoffLimit; }
  void SetXoffLimit(std::uint16_t value) { FXoffLimit = value; }
  const std::string& EndSymbol() const { return FEndSymbol; }
  void SetEndSymbol(const std::string& value) { FEndSymbol = value; }
  const WideString& ExtResultDescription() const { return FExtResultDescription; }

  bool ReadByte(std::uint8_t& value);
  // Waits up to timeoutMs for a byte, looking at the receive queue every 5 ms.
  bool ReadByte(std::uint8_t& value, std::uint32_t timeoutMs);
  bool ReadChar(char& value);
  bool ReadChar(char& value, std::uint32_t timeoutMs);
  // 0, or 1017 with the reason.
  std::int32_t iReadByte(std::uint8_t& value);
  // Exactly count bytes into buff (sized to count).
  bool ReadBytes(std::vector<std::uint8_t>& buff, std::uint32_t count);
  // Exactly count bytes into the first count bytes of buff.
  bool ReadBytes(std::uint32_t count, std::vector<std::uint8_t>& buff);
  // The bytes waiting (at most buffSize); in overlapped mode after waiting up to timeoutMs for
  // a port event (0 = without limit). read is 0 when the answer is false.
  bool ReadBytes(void* buff, std::uint32_t buffSize, std::uint32_t& read, std::uint32_t timeoutMs);

  // One read of up to count bytes; 1001 on a failed read, or with controlLength when fewer
  // than count came.
  std::int32_t ReadStr(std::uint32_t count, std::string& data, bool controlLength);
  // Reads until the first endSymb is the last byte read; 1014 at the deadline with data,
  // 1007 without.
  std::int32_t ReadStr(std::string& data, char endSymb, std::uint32_t timeoutMs);
  // As ReadStr(count, data, false); 1014 when endSymb is not in what came.
  std::int32_t ReadStr(std::uint32_t count, std::string& data, const std::string& endSymb);
  std::int32_t ReadStr(std::uint32_t count, std::string& data, const char* endSymb) {
    return ReadStr(count, data, std::string(endSymb));
  }
  // The first bytes that come within timeoutMs; 1007 when none do.
  std::int32_t ReadStr(std::string& data, std::uint32_t timeoutMs);
  bool ReadString(std::string& buff, std::uint32_t timeoutMs);
  bool ReadString(std::uint32_t count, std::string& buff);

  bool WriteByte(std::uint8_t value);
  bool WriteChar(char value);
  bool WriteBytes(const void* buff, std::uint32_t buffSize);
  bool WriteBytes(const std::vector<std::uint8_t>& buff);
  bool WriteStr(const std::string& data, std::int32_t sleepTimeMs);
  std::int32_t SendCmd(const std::string& data);
  // Writes inData and gathers the answer until EndSymbol (plus countAfterEnd bytes after it)
  // has come or timeoutMs has passed; 0 when something came (or maxLen is 0), else 1007.
  std::int32_t RunCmd(const std::string& inData, std::string& outData, std::int32_t maxLen,
                      std::uint32_t timeoutMs, std::uint8_t countAfterEnd);
  // EndSymbol := endSymb, then the form above; 1014 when endSymb is not in the answer.
  std::int32_t RunCmd(const std::string& inData, std::string& outData, const std::string& endSymb,
                      std::int32_t maxLen, std::int32_t timeoutMs, std::uint8_t countAfterEnd);

 protected:
  // Stores the time-outs without applying them; they apply at the next Open.
  void StoreTimeouts(const SerialTimeouts& value) { FTimeouts = value; }
  SerialPort& Port() { return *port_; }

 private:
  bool EnsureOpen();
  bool OpenHandle();
  bool ApplyState();
  bool ApplyTimeouts();
  std::uint32_t GetInQueue();
  void SetSystemErrorText();
  bool Fail(const char16_t* text);
  // Keeps the text of a failed port operation (for the descriptions that name it); answers
  // whether the operation succeeded.
  bool Track(const PortStatus& status);
  bool ReadOnce(void* buffer, std::uint32_t size, std::uint32_t& done, bool overlapped);
  bool WaitPortEvent(std::uint32_t timeoutMs);

  std::unique_ptr<SerialPort> port_;
  char FEvtChar = 0;
  std::uint16_t FXonLimit = 256;
  std::uint16_t FXoffLimit = 256;
  bool FOverlappedMode = false;
  TBaudRate FBaudRate = TBaudRate::br9600;
  int FPortNumber = 1;
  SerialTimeouts FTimeouts{100, 0, 100, 50, 100};
  TParity FParity = TParity::prNone;
  TFlowControl FFlowControl{};
  bool FAbortOnError = false;
  std::uint8_t FDataBits = 8;
  TStopBits FStopBits = TStopBits::sbOneStopBit;
  std::string FEndSymbol;
  WideString FExtResultDescription;
  WideString FLastPortError;
};

}  // namespace equ
