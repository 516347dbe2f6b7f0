#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "SerialTestSupport.h"
#include "platform/CodePage.h"
#include "platform/PlatformPorts.h"
#include "platform/posix/PosixMessageWindow.h"
#include "platform/posix/PosixSerialPort.h"
#include "scanner/serial/ScannerRS232.h"
#include "scanner/serial/SerialText.h"

namespace equ {
namespace {

// One line of a random stream: what is written (always ending in CR LF) and the barcode the
// channel must deliver for it (none for a line of blanks and control bytes).
struct Line {
  std::string written;
  std::string expected;
};

std::string RandomBytes(std::mt19937& random, std::size_t length, bool printableOnly) {
  std::uniform_int_distribution<int> any(0, 255);
  std::uniform_int_distribution<int> printable(33, 126);
  std::string bytes;
  while (bytes.size() < length) {
    const char c = static_cast<char>(printableOnly ? printable(random) : any(random));
    if (c != '\r' && c != '\n') bytes += c;  // a line end inside would make two lines
  }
  return bytes;
}

Line MakeLine(std::mt19937& random) {
  std::uniform_int_distribution<int> kind(0, 9);
  std::string content;
  switch (kind(random)) {
    case 0:  // noise, NULs and control bytes included
      content = RandomBytes(random, 1 + random() % 40, false);
      break;
    case 1:  // a long line without a terminator for a while
      content = RandomBytes(random, 1000 + random() % 3000, true);
      break;
    case 2:  // only blanks and control bytes
      content = std::string(1 + random() % 5, '\0') + " \t\x01";
      break;
    default:  // a short code
      content = RandomBytes(random, 1 + random() % 12, true);
      break;
  }
  // The hand-off carries a zero-terminated text: a NUL inside a code ends what arrives.
  const std::string trimmed = TrimControl(content);
  return Line{content + "\r\n", trimmed.substr(0, trimmed.find('\0'))};
}

class SerialFaultTest : public ::testing::TestWithParam<unsigned> {};

TEST_P(SerialFaultTest, RandomStreamsDeliverEveryTerminatedCodeOnceAndInOrder) {
  if (!testing::PtyPair::SocatAvailable()) GTEST_SKIP() << "socat is not installed";
  testing::PtyPair pty(9);
  ASSERT_TRUE(pty.Ready());
  auto windows = std::make_shared<posix::PosixMessageWindows>();
  const std::string directory = pty.Directory();
  TScannerRS232 channel(testing::ChannelPorts(
      windows, [directory] { return std::make_unique<posix::PosixSerialPort>(directory); }));
  channel.SetPortNumber(9);
  channel.SetBaudRate(115200);
  channel.SetPostfix("");
  std::vector<std::string> received;
  channel.SetOnGetScanData([&](const WideString& data) { received.push_back(WideToUtf8(data)); });
  ASSERT_EQ(channel.Enable(), 0);

  std::mt19937 random(GetParam());
  std::string stream;
  std::vector<std::string> expected;
  for (int i = 0; i < 120; ++i) {
    const Line line = MakeLine(random);
    stream += line.written;
    if (!line.expected.empty()) expected.push_back(line.expected);
  }
  // Written in random pieces with short pauses: cuts fall anywhere, CR and LF included.
  std::thread writer([&] {
    std::mt19937 cuts(GetParam() * 7 + 1);
    for (std::size_t at = 0; at < stream.size();) {
      const std::size_t piece = std::min<std::size_t>(1 + cuts() % 300, stream.size() - at);
      pty.Write(std::string_view(stream).substr(at, piece));
      at += piece;
      if (cuts() % 4 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(cuts() % 8));
    }
  });
  const bool all =
      windows->ServeMessagesUntil([&] { return received.size() >= expected.size(); }, 10000);
  writer.join();
  windows->ServeMessagesUntil([] { return false; }, 50);
  channel.Disable();
  EXPECT_TRUE(all);
  ASSERT_EQ(received.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(received[i], WideToUtf8(Platform().codePage->FromAnsi(expected[i]))) << "line " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, SerialFaultTest, ::testing::Values(1u, 2u, 3u, 42u));

}  // namespace
}  // namespace equ
