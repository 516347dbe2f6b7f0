#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>

#include "SerialTestSupport.h"
#include "platform/posix/PosixSerialPort.h"

namespace equ {
namespace {

using posix::PosixSerialPort;

TEST(PosixSerialPortPathTest, MapsComNumbersIntoTheDirectoryOrToTtyS) {
  EXPECT_EQ(PosixSerialPort::DevicePath("/tmp/ports", 5), "/tmp/ports/COM5");
  EXPECT_EQ(PosixSerialPort::DevicePath("", 1), "/dev/ttyS0");
  EXPECT_EQ(PosixSerialPort::DevicePath("", 3), "/dev/ttyS2");
}

TEST(PosixSerialPortPathTest, TheDefaultDirectoryComesFromTheEnvironment) {
  ::setenv("EQU_SERIAL_DEVICE_DIR", "/tmp/equ-ports", 1);
  EXPECT_EQ(PosixSerialPort::DefaultDeviceDirectory(), "/tmp/equ-ports");
  ::unsetenv("EQU_SERIAL_DEVICE_DIR");
  EXPECT_EQ(PosixSerialPort::DefaultDeviceDirectory(), "");
}

TEST(PosixSerialPortClosedTest, OperationsOnAClosedPortFailWithAReason) {
  PosixSerialPort port("/nonexistent-equ-dir");
  const PortStatus opened = port.Open(3, false);
  EXPECT_FALSE(opened);
  EXPECT_FALSE(opened.error().empty());
  char byte = 0;
  std::uint32_t done = 5;
  EXPECT_FALSE(port.Read(&byte, 1, done, false));
  EXPECT_EQ(done, 0u);
  EXPECT_FALSE(port.Write(&byte, 1, done, false));
  std::uint32_t count = 0;
  EXPECT_FALSE(port.InputQueueCount(count));
}

class PosixSerialPortPtyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::PtyPair::SocatAvailable()) GTEST_SKIP() << "socat is not installed";
    pty = std::make_unique<testing::PtyPair>(3);
    ASSERT_TRUE(pty->Ready());
    port = std::make_unique<PosixSerialPort>(pty->Directory());
    const PortStatus opened = port->Open(3, false);
    ASSERT_TRUE(opened) << WideToUtf8(opened.error());
    SerialLineState state;
    ASSERT_TRUE(port->GetLineState(state));
    state.baudRate = 115200;
    ASSERT_TRUE(port->SetLineState(state));
  }
  std::string ReadOnce(std::uint32_t size) {
    std::string buffer(size, '\0');
    std::uint32_t done = 0;
    EXPECT_TRUE(port->Read(buffer.data(), size, done, false));
    buffer.resize(done);
    return buffer;
  }
  void AwaitQueued(std::uint32_t count) {
    std::uint32_t waiting = 0;
    for (int i = 0; i < 200 && waiting < count; ++i) {
      EXPECT_TRUE(port->InputQueueCount(waiting));
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(waiting, count);
  }
  std::unique_ptr<testing::PtyPair> pty;
  std::unique_ptr<PosixSerialPort> port;
};

TEST_F(PosixSerialPortPtyTest, ImmediateTimeoutsReturnWhatIsWaitingOrNothing) {
  ASSERT_TRUE(port->SetTimeouts({kSerialTimeoutAllOnes, kSerialTimeoutAllOnes, 25, 50, 100}));
  EXPECT_EQ(ReadOnce(260), "");
  pty->Write("abc");
  AwaitQueued(3);
  EXPECT_EQ(ReadOnce(260), "abc");
}

TEST_F(PosixSerialPortPtyTest, ReadWaitsForTheFirstByteWithinTheConstant) {
  ASSERT_TRUE(port->SetTimeouts({kSerialTimeoutAllOnes, kSerialTimeoutAllOnes, 2000, 50, 100}));
  std::thread writer([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    pty->Write("x");
  });
  EXPECT_EQ(ReadOnce(10), "x");
  writer.join();
}

TEST_F(PosixSerialPortPtyTest, TotalTimeoutsGatherUpToTheCount) {
  ASSERT_TRUE(port->SetTimeouts({0, 0, 3000, 0, 0}));
  std::thread writer([this] {
    pty->Write("12");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    pty->Write("345");
  });
  EXPECT_EQ(ReadOnce(5), "12345");
  writer.join();
  ASSERT_TRUE(port->SetTimeouts({0, 0, 20, 0, 0}));
  EXPECT_EQ(ReadOnce(5), "");
}

TEST_F(PosixSerialPortPtyTest, PurgeDiscardsTheInputQueue) {
  pty->Write("stale");
  AwaitQueued(5);
  ASSERT_TRUE(port->Purge(kSerialPurgeRxClear | kSerialPurgeTxClear));
  std::uint32_t waiting = 99;
  ASSERT_TRUE(port->InputQueueCount(waiting));
  EXPECT_EQ(waiting, 0u);
}

TEST_F(PosixSerialPortPtyTest, LineStateReadsBackWhatWasSet) {
  SerialLineState state;
  ASSERT_TRUE(port->GetLineState(state));
  // A pty keeps the speed and the stop bits; it forces 8 data bits without parity.
  state.baudRate = 4800;
  state.stopBits = 2;
  ASSERT_TRUE(port->SetLineState(state));
  SerialLineState back;
  ASSERT_TRUE(port->GetLineState(back));
  EXPECT_EQ(back.baudRate, 4800u);
  EXPECT_EQ(back.stopBits, 2);
  state.baudRate = 14400;  // no such termios speed
  EXPECT_FALSE(port->SetLineState(state));
}

TEST_F(PosixSerialPortPtyTest, CancelEndsAPendingEventWait) {
  ASSERT_TRUE(port->OpenOverlapped());
  ASSERT_TRUE(port->SetEventMask(kSerialEventRxChar));
  std::thread canceller([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    port->CancelEventWait();
  });
  EXPECT_TRUE(port->WaitEvent(0));
  canceller.join();
  ASSERT_TRUE(port->SetEventMask(kSerialEventRxChar));
  EXPECT_FALSE(port->WaitEvent(10));  // no event: the wait runs out
  pty->Write("e");
  EXPECT_TRUE(port->WaitEvent(2000));
}

}  // namespace
}  // namespace equ
