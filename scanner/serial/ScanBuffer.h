#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/CodePage.h"
#include "scanner/serial/Comm.h"

namespace equ::rs232 {

// The most the scan buffer holds, far above any symbol a scanner sends: bytes that pile up past
// it without a line end are dropped (one ERROR line in the application log) up to the end of
// their line, and the line after it is read as usual.
inline constexpr std::size_t kScanBufferLimit = 64 * 1024;

// The port of an RS232 scanner with its scan buffer and the rules that cut barcodes out of it:
// in terminator mode (InterCharInterval 0) a barcode ends at the postfix, or at a line end
// (CR LF, CR, LF) when the postfix is empty; in interval mode it ends after a pause of
// InterCharInterval ms; in test mode every chunk read is a barcode. Used by the reader thread
// alone while it runs. The code page writes the bytes read into the application log.
class TScanner : public TComm {
 public:
  TScanner(std::unique_ptr<SerialPort> port, std::shared_ptr<const CodePage> codePage);
  ~TScanner() override;

  // Empties the buffer and (re)opens the port: 0, or 1011 (kResultPortUnavailable) when the
  // port does not open.
  std::int32_t Enable();
  void Disable();
  // Reads what the port holds; true when a barcode can be taken from the buffer.
  bool ReadData();
  // The next barcode from the buffer (leading bytes below 33 dropped); empty when none.
  std::string GetNextBarcode();

  std::uint32_t InterCharInterval() const { return FInterCharInterval; }
  void SetInterCharInterval(std::uint32_t value) { FInterCharInterval = value; }
  bool TestMode() const { return FTestMode; }
  void SetTestMode(bool value) { FTestMode = value; }
  const std::string& Postfix() const { return FPostfix; }
  void SetPostfix(const std::string& value) { FPostfix = value; }
  std::uint32_t LastScanTime() const { return FLastScanTime; }
  void SetLastScanTime(std::uint32_t value) { FLastScanTime = value; }
  const std::string& ScanBuffer() const { return FScanBuffer; }
  // Reads that failed since the last one that worked (or since Enable).
  std::uint32_t ConsecutiveReadFailures() const { return FReadFailures; }

 private:
  // The terminator that ends the current buffer's barcodes; empty when the whole buffer is one.
  std::string Terminator() const;
  bool ReadyByEnding() const;
  // Appends a chunk read; drops the buffer when it grows past kScanBufferLimit.
  void Append(std::string chunk);
  // What follows the end of a dropped line in a chunk; empty while the line goes on.
  std::string RestAfterDroppedLine(const std::string& chunk);

  std::shared_ptr<const CodePage> FCodePage;
  std::uint32_t FLastScanTime;
  std::uint32_t FInterCharInterval = 0;
  bool FTestMode = false;
  std::string FScanBuffer;
  std::string FPostfix = "\r\n";
  std::uint32_t FReadFailures = 0;
  // A line that overflowed is being dropped; FDroppedTail keeps its last bytes, so a postfix
  // split between two chunks is still found.
  bool FDroppingLine = false;
  std::string FDroppedTail;
};

}  // namespace equ::rs232
