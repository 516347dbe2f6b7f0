// The RS232 channel end to end under Wine, on the pty pair of e2e/serial_line.sh:
//
//   SerialChannelCheck HOST_COM SCANNER_COM [GoogleTest options]
//
// The channel opens COM<HOST_COM>; barcodes are written to COM<SCANNER_COM>, the other end of
// the line; the host thread's messages are served until they have come. The speed the channel
// set is read on the Linux side of the host's end (stty).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "SerialLine.h"
#include "equipment/common/WideString.h"
#include "platform/PlatformPorts.h"
#include "scanner/serial/ScannerRS232.h"

namespace {

int g_hostCom = 0;
int g_scannerCom = 0;
constexpr unsigned kWaitMs = 20000;

// The channel on the host's end at one speed, recording what it hands to the host thread.
class Channel {
 public:
  explicit Channel(std::uint32_t baud)
      : windows_(equ::Platform().messageWindows),
        channel_(equ::SerialChannelPortsOf(equ::Platform())) {
    channel_.SetPortNumber(static_cast<std::uint8_t>(g_hostCom));
    channel_.SetBaudRate(baud);
    channel_.SetPostfix("");
    channel_.SetOnGetScanData([this](const equ::WideString& data) {
      onHostThread = onHostThread && GetCurrentThreadId() == hostThread_;
      received.push_back(equ::WideToUtf8(data));
    });
  }
  ~Channel() { channel_.Disable(); }

  // Answers 0 or the channel's result code, with its text.
  std::string Enable() {
    const std::int32_t result = channel_.Enable();
    return result == 0
               ? "0"
               : std::to_string(result) + " " + equ::WideToUtf8(channel_.ResultDescription());
  }
  bool ReceiveAtLeast(std::size_t count) {
    windows_->ServeMessagesUntil([&] { return received.size() >= count; }, kWaitMs);
    return received.size() >= count;
  }

  std::vector<std::string> received;
  bool onHostThread = true;

 private:
  const DWORD hostThread_ = GetCurrentThreadId();
  std::shared_ptr<equ::MessageWindows> windows_;
  equ::TScannerRS232 channel_;
};

TEST(SerialChannel, reads_at_115200_in_order_on_the_host_thread) {
  equ::e2e::ScannerLine line(g_scannerCom);
  ASSERT_TRUE(line.IsOpen()) << "the scanner's end COM" << g_scannerCom << " opens";
  Channel channel(115200);
  ASSERT_EQ(channel.Enable(), "0") << "the reader opened COM" << g_hostCom;
  EXPECT_EQ(equ::e2e::HostEndSpeed(), "115200") << "stty shows 115200 on the line";

  // Three barcodes in two writes, one of them Cyrillic in the ANSI code page ("Тест-7").
  ASSERT_TRUE(line.Write("4600000000011\r\nABC-123\r\n"));
  ASSERT_TRUE(line.Write("\xD2\xE5\xF1\xF2-7\r\n"));
  EXPECT_TRUE(channel.ReceiveAtLeast(3)) << "three barcodes arrived";
  EXPECT_EQ(channel.received, (std::vector<std::string>{"4600000000011", "ABC-123", "Тест-7"}))
      << "barcodes arrived in order";
  EXPECT_TRUE(channel.onHostThread) << "every barcode was handed to the host thread's window";
}

TEST(SerialChannel, unknown_speed_opens_at_9600) {
  equ::e2e::ScannerLine line(g_scannerCom);
  ASSERT_TRUE(line.IsOpen()) << "the scanner's end COM" << g_scannerCom << " opens";
  Channel channel(250000);
  ASSERT_EQ(channel.Enable(), "0") << "the reader opened COM" << g_hostCom << " at 250000";
  EXPECT_EQ(equ::e2e::HostEndSpeed(), "9600") << "250000 opens the line at 9600";
  ASSERT_TRUE(line.Write("777\r\n"));
  EXPECT_TRUE(channel.ReceiveAtLeast(1)) << "a barcode arrived at 9600";
  EXPECT_EQ(channel.received, std::vector<std::string>{"777"});
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc < 3) {
    std::fputs("usage: SerialChannelCheck HOST_COM SCANNER_COM [GoogleTest options]\n", stderr);
    return 64;
  }
  g_hostCom = std::atoi(argv[1]);
  g_scannerCom = std::atoi(argv[2]);
  return RUN_ALL_TESTS();
}
