// The RS232 reader's byte stream: what a scanner sends, in chunks of random sizes, through the
// scan buffer under each cutting rule (line ends, a postfix, test mode, interval mode with its
// postfix), drained as the reader thread drains it. Checks that no barcode and no buffer grows
// past the scan buffer's bound, whatever the line holds.
#include <cstdint>
#include <memory>
#include <string>

#include "FuzzInput.h"
#include "FuzzPorts.h"
#include "equipment/common/AppLog.h"
#include "scanner/serial/ScanBuffer.h"
#include "scanner/serial/SerialText.h"
#include "serial/SerialTestSupport.h"

namespace {

using equ::fuzz::FuzzInput;

std::string PostfixOf(FuzzInput& in, std::uint8_t choice) {
  switch (choice % 4) {
    case 0:
      return "\r\n";
    case 1:
      return {};  // any line end
    case 2:
      return "\x03";
    default:
      return in.Bytes(4);
  }
}

void Check(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "serial_stream: %s\n", what);
    std::abort();
  }
}

// One reader step as the reader thread takes it: every barcode the buffer holds.
void Drain(equ::rs232::TScanner& scanner) {
  for (;;) {
    const std::string barcode = equ::TrimControl(scanner.GetNextBarcode());
    Check(barcode.size() <= equ::rs232::kScanBufferLimit, "a barcode beyond the buffer's bound");
    if (barcode.empty() && scanner.ScanBuffer().empty()) break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static equ::fuzz::FuzzPlatform platform;
  equ::SetLogMode(equ::kLogModeAll);
  FuzzInput in(data, size);
  const std::uint8_t mode = in.Byte();
  auto script = std::make_shared<equ::testing::FakeSerialPort::Script>();
  equ::rs232::TScanner scanner(std::make_unique<equ::testing::FakeSerialPort>(script),
                               equ::Platform().codePage);
  scanner.SetTestMode((mode & 0x10) != 0);
  // Interval mode with a pause no run reaches: the cutting by postfix is what it exercises,
  // and the pause itself ends the stream below.
  if ((mode & 0x20) != 0) scanner.SetInterCharInterval(600000);
  scanner.SetPostfix(PostfixOf(in, mode));
  if (scanner.Enable() != 0) return 0;
  // Chunks of 1 to 4096 bytes; the size byte 0 stands for a long run of one byte, which is how
  // a line without a terminator reaches the bound.
  while (!in.Empty()) {
    const std::uint8_t sizeByte = in.Byte();
    std::string chunk;
    if (sizeByte == 0) {
      chunk.assign(static_cast<std::size_t>(in.Byte()) * 1024 + 1, static_cast<char>(in.Byte()));
    } else {
      chunk = in.Bytes(static_cast<std::size_t>(sizeByte) * 16);
    }
    {
      const std::lock_guard<std::mutex> guard(script->lock);
      script->reads.push_back(chunk);
    }
    while (!script->reads.empty()) {
      if (scanner.ReadData()) Drain(scanner);
      Check(scanner.ScanBuffer().size() <= equ::rs232::kScanBufferLimit,
            "the scan buffer beyond its bound");
    }
  }
  Drain(scanner);  // the pause or the end of the line: what is left is one more barcode
  return 0;
}
