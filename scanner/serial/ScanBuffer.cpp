#include "scanner/serial/ScanBuffer.h"

#include <utility>

#include "equipment/common/AppLog.h"
#include "equipment/common/ResultCodes.h"
#include "platform/RequiredPort.h"
#include "scanner/serial/SerialText.h"
#include "scanner/serial/TickCount.h"

namespace equ::rs232 {

namespace {

constexpr std::uint32_t kReadChunk = 260;

}  // namespace

TScanner::TScanner(std::unique_ptr<SerialPort> port, std::shared_ptr<const CodePage> codePage)
    : TComm(std::move(port)),
      FCodePage(RequirePort(codePage, "rs232::TScanner", "code page")),
      FLastScanTime(TickCountMs()) {
  SetBaudRate(TBaudRate::br9600);
  SetDataBits(8);
  SetStopBits(TStopBits::sbOneStopBit);
  SetParity(TParity::prNone);
  // A read answers at once with what is waiting, else waits up to 25 ms for the first byte.
  SerialTimeouts timeouts = Timeouts();
  timeouts.readInterval = kSerialTimeoutAllOnes;
  timeouts.readTotalMultiplier = kSerialTimeoutAllOnes;
  timeouts.readTotalConstant = 25;
  StoreTimeouts(timeouts);
}

TScanner::~TScanner() {
  Disable();
}

std::int32_t TScanner::Enable() {
  FScanBuffer.clear();
  FReadFailures = 0;
  Close();
  const std::int32_t result = Open() ? kResultOk : kResultPortUnavailable;
  AppLog(u"TScannerRS232.Enable",
         u"Result=" + IntToWide(result) + u"; InterCharInterval=" + IntToWide(FInterCharInterval),
         kLogDebug);
  return result;
}

void TScanner::Disable() {
  Close();
  AppLog(u"TScannerRS232.Disable", u"", kLogDebug);
}

bool TScanner::ReadyByEnding() const {
  if (FTestMode) return true;
  if (!FPostfix.empty()) return FScanBuffer.ends_with(FPostfix);
  return !EndsWithAny(FScanBuffer, {"\r\n", "\r", "\n"}).empty();
}

bool TScanner::ReadData() {
  const bool intervalMode = FInterCharInterval != 0;
  if (intervalMode && !FScanBuffer.empty() && TickCountMs() - FLastScanTime >= FInterCharInterval) {
    AppLog(u"TScannerRS232.ReadData", u"Result=True", kLogDebug);
    return true;
  }
  std::string chunk;
  const bool readWorked = ReadStr(kReadChunk, chunk, false) == kResultOk;
  FReadFailures = readWorked ? 0 : FReadFailures + 1;
  if (readWorked) {
    if (chunk.empty()) return false;
    FScanBuffer += chunk;
    FLastScanTime = TickCountMs();
    AppLog(u"TScannerRS232.ReadData",
           u"S=" + ControlCharName(chunk, *FCodePage) + u"; FScanBuffer=" +
               ControlCharName(FScanBuffer, *FCodePage),
           kLogDebug);
  }
  if (intervalMode) return false;
  const bool ready = ReadyByEnding();
  if (ready) AppLog(u"TScannerRS232.ReadData", u"Result=True", kLogDebug);
  return ready;
}

std::string TScanner::Terminator() const {
  if (FTestMode) return {};
  if (!FPostfix.empty()) return FPostfix;
  if (FInterCharInterval == 0) return EndsWithAny(FScanBuffer, {"\r\n", "\r", "\n"});
  return {};
}

std::string TScanner::GetNextBarcode() {
  FScanBuffer = TrimControlLeft(FScanBuffer);
  if (FScanBuffer.empty()) return {};
  const std::string terminator = Terminator();
  const std::size_t end = terminator.empty() ? std::string::npos : FScanBuffer.find(terminator);
  // Without a terminator, or (in interval mode) when the postfix never came, the whole buffer
  // is the barcode: the pause has ended it.
  if (end == std::string::npos) return std::exchange(FScanBuffer, std::string());
  std::string barcode = FScanBuffer.substr(0, end);
  FScanBuffer.erase(0, end + terminator.size());
  return barcode;
}

}  // namespace equ::rs232
