#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "SerialTestSupport.h"
#include "equipment/common/AppLog.h"
#include "platform/PlatformPorts.h"
#include "platform/posix/PosixMessageWindow.h"
#include "platform/posix/PosixSerialPort.h"
#include "scanner/serial/ScannerRS232.h"

namespace equ {
namespace {

using testing::FakeSerialPort;

// The test's own thread is the host thread: it owns the channel and serves its window.
class ChannelFixture {
 protected:
  std::shared_ptr<posix::PosixMessageWindows> windows =
      std::make_shared<posix::PosixMessageWindows>();
  std::vector<std::string> received;

  void Collect(TScannerRS232& channel) {
    channel.SetOnGetScanData(
        [this](const WideString& data) { received.push_back(WideToUtf8(data)); });
  }
  // Serves the host thread's messages until `count` barcodes have come (or 5 s have passed).
  bool AwaitBarcodes(std::size_t count) {
    return windows->ServeMessagesUntil([&] { return received.size() >= count; }, 5000);
  }
  void Serve(int ms) {
    windows->ServeMessagesUntil([] { return false; }, ms);
  }
};

class ScannerRS232FakeTest : public ::testing::Test, public ChannelFixture {
 protected:
  std::shared_ptr<FakeSerialPort::Script> script = std::make_shared<FakeSerialPort::Script>();
  TScannerRS232 channel{
      testing::ChannelPorts(windows, [this] { return std::make_unique<FakeSerialPort>(script); })};
};

TEST_F(ScannerRS232FakeTest, HandsOffTheCodesOfOneReadInOrderThenPulsesDtrOnce) {
  // The reader queues the codes of a read and pulses DTR without waiting for the host thread,
  // which takes them when it serves its window (here, only once the pulse is done).
  script->reads = {"123\r\n456\r\n"};
  ASSERT_EQ(channel.Enable(), 0);
  auto events = [this] { return script->Events(); };
  while (events().size() < 5) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  Collect(channel);
  ASSERT_TRUE(AwaitBarcodes(2));
  channel.Disable();
  const std::vector<std::string> all = events();
  ASSERT_GE(all.size(), 5u);
  EXPECT_EQ(std::vector<std::string>(all.begin(), all.begin() + 5),
            (std::vector<std::string>{"dtr:0", "dtr:1", "read:123\r\n456\r\n", "dtr:0", "dtr:1"}));
  EXPECT_EQ(received, (std::vector<std::string>{"123", "456"}));
}

TEST_F(ScannerRS232FakeTest, TheTextComesFromTheAnsiCodePage) {
  Collect(channel);
  script->reads = {"\xc0\xc1\xc2-1\r\n"};
  ASSERT_EQ(channel.Enable(), 0);
  ASSERT_TRUE(AwaitBarcodes(1));
  EXPECT_EQ(received[0], "АБВ-1");
}

TEST_F(ScannerRS232FakeTest, AFailedEnableKeepsAnUnstartedReaderUntilDisable) {
  script->openFails = true;
  EXPECT_EQ(channel.Enable(), 1011);
  EXPECT_EQ(channel.ResultDescription(), u"Ошибка открытия порта. Устройство не найдено.");
  EXPECT_FALSE(channel.Enabled());
  channel.Disable();
  script->openFails = false;
  EXPECT_EQ(channel.Enable(), 0);
  EXPECT_TRUE(channel.ResultDescription().empty());
  EXPECT_TRUE(channel.Enabled());
}

TEST_F(ScannerRS232FakeTest, DisableWhileHandOffsAreInFlightReturnsAndLosesNoOrder) {
  for (int i = 0; i < 400; ++i) script->reads.push_back("C" + std::to_string(i) + "\r\n");
  channel.SetOnGetScanData([this](const WideString& data) {
    received.push_back(WideToUtf8(data));
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  ASSERT_EQ(channel.Enable(), 0);
  ASSERT_TRUE(AwaitBarcodes(10));
  channel.Disable();
  EXPECT_FALSE(channel.Enabled());
  for (std::size_t i = 0; i < received.size(); ++i) EXPECT_EQ(received[i], "C" + std::to_string(i));
  const std::size_t count = received.size();
  Serve(50);
  EXPECT_EQ(received.size(), count);  // nothing after Disable
}

TEST(ScannerRS232PortsTest, AMissingPortFailsLoudlyWithItsName) {
  struct Case {
    const char* named;
    void (*remove)(TSerialChannelPorts&);
  };
  const Case cases[] = {
      {"message windows", [](TSerialChannelPorts& p) { p.windows = nullptr; }},
      {"serial ports", [](TSerialChannelPorts& p) { p.serialPorts = nullptr; }},
      {"code page", [](TSerialChannelPorts& p) { p.codePage = nullptr; }},
  };
  for (const Case& c : cases) {
    TSerialChannelPorts ports =
        testing::ChannelPorts(std::make_shared<posix::PosixMessageWindows>(),
                              [] { return std::unique_ptr<SerialPort>(); });
    c.remove(ports);
    try {
      TScannerRS232 channel(std::move(ports));
      ADD_FAILURE() << "made without the " << c.named << " port";
    } catch (const std::logic_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.named), std::string::npos) << e.what();
    }
  }
}

class ScannerRS232LogTest : public ScannerRS232FakeTest {
 protected:
  void SetUp() override { SetLogMode(kLogModeAll); }
  void TearDown() override { SetLogMode(kLogModeOff); }
  std::shared_ptr<testing::MemoryLogFiles> log = std::make_shared<testing::MemoryLogFiles>();
  ScopedPlatformPorts ports{
      PlatformPorts{.folders = std::make_shared<testing::MemoryFolders>(), .logFiles = log}};
};

TEST_F(ScannerRS232LogTest, AMissingPortIsLoggedWithItsResult) {
  script->openFails = true;
  channel.SetInterCharInterval(60);
  EXPECT_EQ(channel.Enable(), 1011);
  EXPECT_NE(
      log->Text().find("\tDEBUG\tTScannerRS232.Enable: \tResult=1011; InterCharInterval=60\r\n"),
      std::string::npos)
      << log->Text();
}

TEST_F(ScannerRS232LogTest, ReadsAreTracedAndDisableIsLoggedByTheThreadAndByTheScanner) {
  Collect(channel);
  script->reads = {"12\r\n"};
  ASSERT_EQ(channel.Enable(), 0);
  ASSERT_TRUE(AwaitBarcodes(1));
  channel.Disable();
  const std::string text = log->Text();
  EXPECT_NE(text.find("TScannerRS232.ReadData: \tS=12[CR][LF]; FScanBuffer=12[CR][LF]\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("TScannerRS232.ReadData: \tResult=True\r\n"), std::string::npos);
  std::size_t disables = 0;
  for (std::size_t at = text.find("\tTScannerRS232.Disable\r\n"); at != std::string::npos;
       at = text.find("\tTScannerRS232.Disable\r\n", at + 1)) {
    ++disables;
  }
  EXPECT_EQ(disables, 2u);
}

// The channel on a real pty pair made by socat.
class ScannerRS232PtyTest : public ::testing::Test, public ChannelFixture {
 protected:
  static constexpr int kPort = 7;
  void SetUp() override {
    if (!testing::PtyPair::SocatAvailable()) GTEST_SKIP() << "socat is not installed";
    pty = std::make_unique<testing::PtyPair>(kPort);
    ASSERT_TRUE(pty->Ready()) << "socat did not make the pty pair";
    const std::string directory = pty->Directory();
    channel = std::make_unique<TScannerRS232>(testing::ChannelPorts(
        windows, [directory] { return std::make_unique<posix::PosixSerialPort>(directory); }));
    channel->SetPortNumber(kPort);
    Collect(*channel);
  }
  void TearDown() override { channel.reset(); }

  std::unique_ptr<testing::PtyPair> pty;
  std::unique_ptr<TScannerRS232> channel;
};

TEST_F(ScannerRS232PtyTest, TwoCodesInOneWriteComeInOrder) {
  ASSERT_EQ(channel->Enable(), 0) << WideToUtf8(channel->ResultDescription());
  pty->Write("123\r\n456\r\n");
  ASSERT_TRUE(AwaitBarcodes(2));
  EXPECT_EQ(received, (std::vector<std::string>{"123", "456"}));
}

TEST_F(ScannerRS232PtyTest, ALoneLineFeedAfterACarriageReturnGivesNothingMore) {
  channel->SetPostfix("");  // as the driver sets it: any line end ends a barcode
  ASSERT_EQ(channel->Enable(), 0);
  pty->Write("123\r");
  ASSERT_TRUE(AwaitBarcodes(1));
  pty->Write("\n");
  Serve(60);
  pty->Write("END\r\n");
  ASSERT_TRUE(AwaitBarcodes(2));
  EXPECT_EQ(received, (std::vector<std::string>{"123", "END"}));
}

TEST_F(ScannerRS232PtyTest, BytesWithoutALineEndWaitForIt) {
  ASSERT_EQ(channel->Enable(), 0);
  pty->Write("789");
  Serve(150);
  EXPECT_TRUE(received.empty());
  pty->Write("0\r\n");
  ASSERT_TRUE(AwaitBarcodes(1));
  EXPECT_EQ(received, std::vector<std::string>{"7890"});
}

TEST_F(ScannerRS232PtyTest, IntervalModeJoinsChunksUntilThePause) {
  channel->SetInterCharInterval(100);
  ASSERT_EQ(channel->Enable(), 0);
  pty->Write("123");
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  pty->Write("45\r\n");
  ASSERT_TRUE(AwaitBarcodes(1));
  Serve(150);
  EXPECT_EQ(received, std::vector<std::string>{"12345"});
}

TEST_F(ScannerRS232PtyTest, TestModeDeliversEachChunkTrimmed) {
  channel->SetTestMode(true);
  ASSERT_EQ(channel->Enable(), 0);
  pty->Write(" AB\r\n");
  ASSERT_TRUE(AwaitBarcodes(1));
  pty->Write("CD");
  ASSERT_TRUE(AwaitBarcodes(2));
  EXPECT_EQ(received, (std::vector<std::string>{"AB", "CD"}));
}

TEST_F(ScannerRS232PtyTest, AMissingDeviceAnswers1011) {
  channel->SetPortNumber(kPort + 1);
  EXPECT_EQ(channel->Enable(), 1011);
  EXPECT_EQ(channel->ResultDescription().rfind(u"Ошибка открытия порта. ", 0), 0u);
}

TEST_F(ScannerRS232PtyTest, DisableDuringABurstOfHandOffsReturns) {
  channel->SetOnGetScanData([this](const WideString& data) {
    received.push_back(WideToUtf8(data));
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  });
  ASSERT_EQ(channel->Enable(), 0);
  std::string burst;
  for (int i = 0; i < 300; ++i) burst += "B" + std::to_string(i) + "\r\n";
  pty->Write(burst);
  ASSERT_TRUE(AwaitBarcodes(5));
  channel->Disable();
  EXPECT_FALSE(channel->Enabled());
  for (std::size_t i = 0; i < received.size(); ++i) EXPECT_EQ(received[i], "B" + std::to_string(i));
}

// What a callback of the channel does to the channel itself once the first barcode is in.
enum class StopFromCallback { Disable, Enable, Destroy };

class ScannerRS232StopFromCallbackTest : public ScannerRS232PtyTest,
                                         public ::testing::WithParamInterface<StopFromCallback> {};

TEST_P(ScannerRS232StopFromCallbackTest, ReturnsAndLosesNoBarcodeAlreadyCut) {
  const StopFromCallback stop = GetParam();
  bool stopped = false;
  channel->SetOnGetScanData([&](const WideString& data) {
    received.push_back(WideToUtf8(data));
    if (stopped) return;
    stopped = true;
    switch (stop) {
      case StopFromCallback::Disable:
        channel->Disable();
        break;
      case StopFromCallback::Enable:
        EXPECT_EQ(channel->Enable(), 0);
        break;
      case StopFromCallback::Destroy:
        channel.reset();
        break;
    }
  });
  ASSERT_EQ(channel->Enable(), 0);
  // All three are cut in one read, before the first one reaches the host thread.
  pty->Write("A1\r\nA2\r\nA3\r\n");
  if (stop == StopFromCallback::Destroy) {
    ASSERT_TRUE(windows->ServeMessagesUntil([&] { return channel == nullptr; }, 5000));
    Serve(50);
    EXPECT_EQ(received, std::vector<std::string>{"A1"});
    return;
  }
  ASSERT_TRUE(AwaitBarcodes(3));
  EXPECT_EQ(received, (std::vector<std::string>{"A1", "A2", "A3"}));
  if (stop == StopFromCallback::Disable) {
    EXPECT_FALSE(channel->Enabled());
    pty->Write("A4\r\n");
    Serve(100);
    EXPECT_EQ(received.size(), 3u);
  } else {
    EXPECT_TRUE(channel->Enabled());
    pty->Write("B1\r\n");
    ASSERT_TRUE(AwaitBarcodes(4));
    EXPECT_EQ(received.back(), "B1");
  }
}

INSTANTIATE_TEST_SUITE_P(Stops, ScannerRS232StopFromCallbackTest,
                         ::testing::Values(StopFromCallback::Disable, StopFromCallback::Enable,
                                           StopFromCallback::Destroy));

TEST_F(ScannerRS232PtyTest, DisableHandsOverTheCutBarcodesAtOnce) {
  ASSERT_EQ(channel->Enable(), 0);
  pty->Write("C1\r\nC2\r\n");
  // Not served: the barcodes wait for the host thread until Disable takes them.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(received.empty());
  channel->Disable();
  EXPECT_EQ(received, (std::vector<std::string>{"C1", "C2"}));
}

// The host thread's other window: its messages must wait for the host's own loop.
struct OtherHostWindow {
  explicit OtherHostWindow(posix::PosixMessageWindows& windows)
      : window(std::move(*windows.Create([this](const WindowMessage&) {
          ++handled;
          return std::intptr_t{0};
        }))) {}
  int handled = 0;
  std::unique_ptr<MessageWindow> window;
};

TEST_F(ScannerRS232PtyTest, DisableRunsNoneOfTheHostThreadsOtherMessages) {
  OtherHostWindow other(*windows);
  channel->SetOnGetScanData([&](const WideString& data) {
    received.push_back(WideToUtf8(data));
    other.window->Post(WindowMessage{0x0400 + 100, 0, 0});
    channel->Disable();
    EXPECT_EQ(other.handled, 0) << "Disable from the callback ran a host message";
  });
  ASSERT_EQ(channel->Enable(), 0);
  pty->Write("D1\r\n");
  ASSERT_TRUE(AwaitBarcodes(1));
  Serve(20);
  EXPECT_EQ(other.handled, 1);

  ASSERT_EQ(channel->Enable(), 0);
  channel->SetOnGetScanData(nullptr);
  other.window->Post(WindowMessage{0x0400 + 100, 0, 0});
  channel->Disable();
  EXPECT_EQ(other.handled, 1) << "Disable from the host ran a host message";
  Serve(20);
  EXPECT_EQ(other.handled, 2);
}

// The scanner pulled out (its pty removed) and plugged in again at the same device path.
class ScannerRS232ReplugTest : public ScannerRS232PtyTest {
 protected:
  void SetUp() override {
    SetLogMode(kLogModeAll);
    ScannerRS232PtyTest::SetUp();
    if (IsSkipped()) return;
    channel->SetOnPortState([this](bool lost, const WideString& text) {
      states.push_back((lost ? "lost: " : "restored: ") + WideToUtf8(text));
    });
  }
  void TearDown() override {
    ScannerRS232PtyTest::TearDown();
    SetLogMode(kLogModeOff);
  }
  bool AwaitStates(std::size_t count) {
    return windows->ServeMessagesUntil([&] { return states.size() >= count; }, 10000);
  }

  std::vector<std::string> states;
  std::shared_ptr<testing::MemoryLogFiles> log = std::make_shared<testing::MemoryLogFiles>();
  ScopedPlatformPorts ports{
      PlatformPorts{.folders = std::make_shared<testing::MemoryFolders>(), .logFiles = log}};
};

TEST_F(ScannerRS232ReplugTest, ReportsTheLossAndTheRecoveryOnceAndReadsOn) {
  ASSERT_EQ(channel->Enable(), 0);
  pty->Write("R1\r\n");
  ASSERT_TRUE(AwaitBarcodes(1));
  EXPECT_FALSE(channel->PortLost());

  const std::string directory = pty->Directory();
  pty.reset();
  ASSERT_TRUE(AwaitStates(1));
  EXPECT_TRUE(channel->PortLost());
  // While the device is away the reader keeps trying, without reporting again.
  Serve(2500);
  EXPECT_EQ(states,
            std::vector<std::string>{"lost: Связь со сканером потеряна: порт COM7 недоступен"});
  EXPECT_TRUE(channel->PortLost());

  pty = std::make_unique<testing::PtyPair>(kPort, directory);
  ASSERT_TRUE(pty->Ready());
  ASSERT_TRUE(AwaitStates(2));
  EXPECT_EQ(states[1], "restored: Связь со сканером восстановлена: порт COM7 открыт");
  EXPECT_FALSE(channel->PortLost());
  pty->Write("R2\r\nR3\r\n");
  ASSERT_TRUE(AwaitBarcodes(3));
  EXPECT_EQ(received, (std::vector<std::string>{"R1", "R2", "R3"}));
  EXPECT_EQ(states.size(), 2u);

  const std::string text = log->Text();
  EXPECT_NE(text.find("\tERROR\tTScannerRS232.ReadData: \tСвязь со сканером потеряна: порт COM7 "
                      "недоступен"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\tTScannerRS232.ReadData: \tСвязь со сканером восстановлена: порт COM7 "
                      "открыт"),
            std::string::npos);
}

TEST_F(ScannerRS232ReplugTest, DisableWhileThePortIsLostEndsTheLossAndEnableStartsAfresh) {
  ASSERT_EQ(channel->Enable(), 0);
  const std::string directory = pty->Directory();
  pty.reset();
  ASSERT_TRUE(AwaitStates(1));
  channel->Disable();
  EXPECT_FALSE(channel->PortLost());
  EXPECT_EQ(channel->Enable(), 1011);
  pty = std::make_unique<testing::PtyPair>(kPort, directory);
  ASSERT_EQ(channel->Enable(), 0);
  EXPECT_FALSE(channel->PortLost());
}

struct SpeedCase {
  std::uint32_t asked;
  std::uint32_t onTheLine;
};

class ScannerRS232SpeedTest : public ScannerRS232PtyTest,
                              public ::testing::WithParamInterface<SpeedCase> {};

TEST_P(ScannerRS232SpeedTest, OpensTheLineAtTheTableSpeedOr9600) {
  pty->SetDeviceSpeed(1200);
  channel->SetBaudRate(GetParam().asked);
  ASSERT_EQ(channel->Enable(), 0);
  // Read back once the channel has let the device go: an open port is not shared.
  channel->Disable();
  EXPECT_EQ(pty->DeviceSpeed(), GetParam().onTheLine);
}

INSTANTIATE_TEST_SUITE_P(Table, ScannerRS232SpeedTest,
                         ::testing::Values(SpeedCase{115200, 115200}, SpeedCase{19200, 19200},
                                           SpeedCase{250000, 9600}, SpeedCase{0, 9600}));

}  // namespace
}  // namespace equ
