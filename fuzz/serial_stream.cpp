// The RS232 reader's byte stream: what a scanner sends, in chunks of random sizes, through the
// scan buffer under each cutting rule (line ends, a postfix, test mode, interval mode with its
// postfix), drained as the reader thread drains it. Checks that no barcode and no buffer grows
// past the scan buffer's bound, whatever the line holds.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <string>

#include "FuzzInput.h"
#include "FuzzPorts.h"
#include "equipment/common/AppLog.h"
#include "platform/SerialPort.h"
#include "scanner/serial/ScanBuffer.h"
#include "scanner/serial/SerialText.h"

namespace {

using equ::fuzz::FuzzInput;

constexpr std::size_t kMostBytesOfARun = 512 * 1024;

// A port that answers each read with the next bytes of the line, at most what was asked.
class LinePort : public equ::SerialPort {
 public:
  std::deque<std::string> chunks;

  equ::PortStatus Open(int, bool) override {
    open_ = true;
    return {};
  }
  bool IsOpen() const override { return open_; }
  void Close() override { open_ = false; }
  equ::PortStatus SetQueueSizes(std::uint32_t, std::uint32_t) override { return {}; }
  equ::PortStatus Purge(std::uint32_t) override { return {}; }
  equ::PortStatus GetLineState(equ::SerialLineState& state) override {
    state = state_;
    return {};
  }
  equ::PortStatus SetLineState(const equ::SerialLineState& state) override {
    state_ = state;
    return {};
  }
  equ::PortStatus SetTimeouts(const equ::SerialTimeouts&) override { return {}; }
  equ::PortStatus EscapeFunction(std::uint32_t) override { return {}; }
  equ::PortStatus SetEventMask(std::uint32_t) override { return {}; }
  equ::PortStatus InputQueueCount(std::uint32_t& count) override {
    count = chunks.empty() ? 0 : static_cast<std::uint32_t>(chunks.front().size());
    return {};
  }
  equ::PortStatus Read(void* buffer, std::uint32_t size, std::uint32_t& done, bool) override {
    done = 0;
    if (chunks.empty()) return {};
    std::string& chunk = chunks.front();
    done = std::min<std::uint32_t>(size, static_cast<std::uint32_t>(chunk.size()));
    std::memcpy(buffer, chunk.data(), done);
    chunk.erase(0, done);
    if (chunk.empty()) chunks.pop_front();
    return {};
  }
  equ::PortStatus Write(const void*, std::uint32_t size, std::uint32_t& done, bool) override {
    done = size;
    return {};
  }
  equ::PortStatus OpenOverlapped() override { return {}; }
  void CloseOverlapped() override {}
  equ::PortStatus WaitEvent(std::uint32_t) override { return {}; }
  void CancelEventWait() override {}

 private:
  bool open_ = false;
  equ::SerialLineState state_;
};

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
  FuzzInput in(data, size);
  const std::uint8_t mode = in.Byte();
  // With the debug log on, every read is written to it as text too.
  equ::SetLogMode((mode & 0x40) != 0 ? equ::kLogModeAll : equ::kLogModeErrors);
  auto port = std::make_unique<LinePort>();
  LinePort& line = *port;
  equ::rs232::TScanner scanner(std::move(port), equ::Platform().codePage);
  scanner.SetTestMode((mode & 0x10) != 0);
  // Interval mode with a pause no run reaches: the cutting by postfix is what it exercises,
  // and the pause itself ends the stream below.
  if ((mode & 0x20) != 0) scanner.SetInterCharInterval(600000);
  scanner.SetPostfix(PostfixOf(in, mode));
  if (scanner.Enable() != 0) return 0;
  // Chunks of 1 to 4080 bytes; the size byte 0 stands for a run of one byte of up to 255 KiB,
  // which is how a line without its end reaches the bound.
  std::size_t runBytes = 0;
  while (!in.Empty()) {
    const std::uint8_t sizeByte = in.Byte();
    std::string chunk;
    if (sizeByte == 0) {
      const std::size_t length = static_cast<std::size_t>(in.Byte()) * 1024 + 1;
      const char fill = static_cast<char>(in.Byte());
      if (runBytes + length > kMostBytesOfARun) continue;
      runBytes += length;
      chunk.assign(length, fill);
    } else {
      chunk = in.Bytes(static_cast<std::size_t>(sizeByte) * 16);
    }
    line.chunks.push_back(chunk);
    while (!line.chunks.empty()) {
      if (scanner.ReadData()) Drain(scanner);
      Check(scanner.ScanBuffer().size() <= equ::rs232::kScanBufferLimit,
            "the scan buffer beyond its bound");
    }
  }
  Drain(scanner);  // the pause or the end of the line: what is left is one more barcode
  return 0;
}
