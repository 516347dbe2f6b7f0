#include <gtest/gtest.h>

#include <memory>

#include "SerialTestSupport.h"
#include "platform/posix/PosixSerialPort.h"
#include "scanner/serial/Comm.h"

namespace equ {
namespace {

using testing::FakeSerialPort;

class CommFakeTest : public ::testing::Test {
 protected:
  std::shared_ptr<FakeSerialPort::Script> script = std::make_shared<FakeSerialPort::Script>();
  TComm comm{std::make_unique<FakeSerialPort>(script)};
};

TEST_F(CommFakeTest, StartsWithTheDocumentedDefaults) {
  EXPECT_EQ(comm.BaudRate(), TBaudRate::br9600);
  EXPECT_EQ(comm.BaudRateAsInt(), 9600u);
  EXPECT_EQ(comm.PortNumber(), 1);
  EXPECT_EQ(comm.DataBits(), 8);
  EXPECT_EQ(comm.Parity(), TParity::prNone);
  EXPECT_EQ(comm.StopBits(), TStopBits::sbOneStopBit);
  EXPECT_EQ(comm.XonLimit(), 256);
  EXPECT_EQ(comm.XoffLimit(), 256);
  EXPECT_EQ(comm.EvtChar(), 0);
  EXPECT_FALSE(comm.OverlappedMode());
  EXPECT_FALSE(comm.AbortOnError());
  EXPECT_FALSE(comm.Opened());
  const SerialTimeouts& t = comm.Timeouts();
  EXPECT_EQ(t.readInterval, 100u);
  EXPECT_EQ(t.readTotalMultiplier, 0u);
  EXPECT_EQ(t.readTotalConstant, 100u);
  EXPECT_EQ(t.writeTotalMultiplier, 50u);
  EXPECT_EQ(t.writeTotalConstant, 100u);
  EXPECT_FALSE(comm.FlowControl().FOutCtsFlow);
  EXPECT_EQ(comm.FlowControl().FControlDtr, TControlDtr::dtrDisable);
  EXPECT_EQ(comm.FlowControl().FControlRts, TControlRts::rtsDisable);
}

struct BaudCase {
  std::uint32_t written;
  std::uint32_t expected;
};

class BaudRateAsIntTest : public CommFakeTest, public ::testing::WithParamInterface<BaudCase> {};

TEST_P(BaudRateAsIntTest, SelectsATableSpeedAndKeepsTheOldOneOtherwise) {
  comm.SetBaudRate(TBaudRate::br19200);
  comm.SetBaudRateAsInt(GetParam().written);
  EXPECT_EQ(comm.BaudRateAsInt(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, BaudRateAsIntTest,
                         ::testing::Values(BaudCase{110, 110}, BaudCase{14400, 14400},
                                           BaudCase{56000, 56000}, BaudCase{115200, 115200},
                                           BaudCase{250000, 19200}, BaudCase{0, 19200},
                                           BaudCase{9601, 19200}));

TEST_F(CommFakeTest, OpenWritesTheControlBlockFlagsOfTheSettings) {
  comm.SetParity(TParity::prEven);
  comm.SetAbortOnError(true);
  comm.SetFlowControl(
      TFlowControl{true, true, TControlDtr::dtrHandshake, TControlRts::rtsToggle, true, true});
  comm.SetBaudRate(TBaudRate::br57600);
  comm.SetEvtChar('\x03');
  ASSERT_TRUE(comm.Open());
  const SerialLineState& s = script->state;
  EXPECT_EQ(s.flags, 0x0001u | 0x0002u | 0x4000u | 0x0004u | 0x0008u | 0x0020u | 0x3000u | 0x0100u |
                         0x0200u);
  EXPECT_EQ(s.baudRate, 57600u);
  EXPECT_EQ(s.parity, 2);
  EXPECT_EQ(s.xonChar, 17);
  EXPECT_EQ(s.xoffChar, 19);
  EXPECT_EQ(s.xonLimit, 256);
  EXPECT_EQ(s.eventChar, 3);
  EXPECT_EQ(s.byteSize, 8);
  EXPECT_EQ(script->timeouts.readTotalConstant, 100u);
}

TEST_F(CommFakeTest, BaudRateChangeOnAnOpenPortIsApplied) {
  ASSERT_TRUE(comm.Open());
  comm.SetBaudRate(TBaudRate::br115200);
  EXPECT_EQ(script->state.baudRate, 115200u);
  comm.SetBaudRateAsInt(4800);  // stored, not applied
  EXPECT_EQ(script->state.baudRate, 115200u);
}

TEST_F(CommFakeTest, WriteStrWithEmptyDataSucceedsOnAClosedPortWithoutOpeningIt) {
  EXPECT_TRUE(comm.WriteStr("", 0));
  EXPECT_EQ(script->opens, 0);
}

TEST_F(CommFakeTest, WriteBytesOnAClosedPortFailsWhileWriteByteOpensIt) {
  const std::uint8_t byte = 'x';
  EXPECT_FALSE(comm.WriteBytes(&byte, 1));
  EXPECT_EQ(comm.ExtResultDescription(), u"Порт не открыт");
  EXPECT_EQ(script->opens, 0);
  EXPECT_TRUE(comm.WriteByte('y'));
  EXPECT_TRUE(comm.Opened());
  EXPECT_EQ(script->written, "y");
}

TEST_F(CommFakeTest, OpenFailureIsReportedAndLeavesThePortClosed) {
  script->openFails = true;
  EXPECT_FALSE(comm.Open());
  EXPECT_FALSE(comm.Opened());
  EXPECT_EQ(comm.ExtResultDescription(), u"Ошибка открытия порта. Устройство не найдено.");
}

TEST_F(CommFakeTest, ShortReadWithLengthControlAnswers1001WithWhatCame) {
  ASSERT_TRUE(comm.Open());
  script->reads = {"abc"};
  std::string data;
  EXPECT_EQ(comm.ReadStr(5, data, true), 1001);
  EXPECT_EQ(data, "abc");
  script->reads = {"abc"};
  EXPECT_EQ(comm.ReadStr(5, data, false), 0);
  EXPECT_EQ(data, "abc");
}

TEST_F(CommFakeTest, ReadStrWithEndSymbolAnswers1014WhenTheMarkerIsMissing) {
  ASSERT_TRUE(comm.Open());
  script->reads = {"abc"};
  std::string data;
  EXPECT_EQ(comm.ReadStr(10, data, std::string("\x03")), 1014);
  script->reads = {"ab\x03"};
  EXPECT_EQ(comm.ReadStr(10, data, "\x03"), 0);
  EXPECT_EQ(comm.EndSymbol(), "\x03");
}

TEST_F(CommFakeTest, RunCmdStopsAsSoonAsTheCountAfterTheEndMarkerHasCome) {
  ASSERT_TRUE(comm.Open());
  script->reads = {"AB", "", "\x03", "C", "D"};
  std::string answer;
  EXPECT_EQ(comm.RunCmd("Q", answer, std::string("\x03"), 32, 2000, 1), 0);
  EXPECT_EQ(answer,
            "AB\x03"
            "C");
  EXPECT_EQ(script->written, "Q");
  ASSERT_EQ(script->reads.size(), 1u);
  EXPECT_EQ(script->reads.front(), "D");
}

TEST_F(CommFakeTest, RunCmdWithoutTheMarkerInTheAnswerAnswers1014) {
  ASSERT_TRUE(comm.Open());
  script->reads = {"A"};
  std::string answer;
  EXPECT_EQ(comm.RunCmd("Q", answer, std::string("\x03"), 32, 60, 1), 1014);
  EXPECT_EQ(answer, "A");
}

TEST_F(CommFakeTest, RunCmdWithNoAnswerAnswers1007) {
  ASSERT_TRUE(comm.Open());
  std::string answer;
  EXPECT_EQ(comm.RunCmd("Q", answer, 32, 30, 0), 1007);
  EXPECT_EQ(comm.RunCmd("Q", answer, 0, 30, 0), 0);  // nothing expected, nothing missed
}

TEST_F(CommFakeTest, ReadStrUntilEndCharacterCutsAtAZeroByte) {
  ASSERT_TRUE(comm.Open());
  script->reads = {std::string("ab\0zz", 5), "c\n"};
  std::string data;
  EXPECT_EQ(comm.ReadStr(data, '\n', 1000), 0);
  EXPECT_EQ(data, "abc\n");
  EXPECT_EQ(comm.ReadStr(data, '\n', 20), 1007);
  script->reads = {"partial"};
  EXPECT_EQ(comm.ReadStr(data, '\n', 20), 1014);
}

TEST_F(CommFakeTest, ByteReadsReportNoAnswerAndReadErrors) {
  ASSERT_TRUE(comm.Open());
  std::uint8_t value = 0;
  EXPECT_FALSE(comm.ReadByte(value));
  EXPECT_EQ(comm.ExtResultDescription(), u"Устройство не отвечает");
  EXPECT_FALSE(comm.ReadByte(value, 10));
  EXPECT_EQ(comm.ExtResultDescription(), u"Ошибка при чтении данных из порта");
  script->reads = {"Z"};
  EXPECT_TRUE(comm.ReadByte(value, 100));
  EXPECT_EQ(value, 'Z');
  EXPECT_EQ(comm.iReadByte(value), 1017);
}

TEST_F(CommFakeTest, ReadBytesTellsNoAnswerFromAShortAnswer) {
  ASSERT_TRUE(comm.Open());
  std::vector<std::uint8_t> buffer;
  EXPECT_TRUE(comm.ReadBytes(buffer, 0));
  EXPECT_FALSE(comm.ReadBytes(buffer, 3));
  EXPECT_EQ(comm.ExtResultDescription(), u"Устройство не отвечает");
  script->reads = {"ab"};
  EXPECT_FALSE(comm.ReadBytes(buffer, 3));
  EXPECT_EQ(comm.ExtResultDescription(), u"Ошибка протокола обмена");
  char raw[8];
  std::uint32_t read = 7;
  EXPECT_FALSE(comm.ReadBytes(raw, sizeof raw, read, 10));
  EXPECT_EQ(comm.ExtResultDescription(), u"Данные в буфере отсутствуют");
  EXPECT_EQ(read, 0u);
}

TEST_F(CommFakeTest, CloseDropsDtrOnceAndACloseOfAClosedPortDoesNothing) {
  ASSERT_TRUE(comm.Open());
  EXPECT_TRUE(comm.Close());
  EXPECT_FALSE(comm.Opened());
  EXPECT_EQ(script->escapes, std::vector<std::uint32_t>{kSerialClearDtr});
  const std::uint32_t purges = script->purges;
  EXPECT_TRUE(comm.Close());
  EXPECT_EQ(script->purges, purges);
  EXPECT_EQ(script->escapes.size(), 1u);
}

TEST(CommDeviceTest, OpenOfAMissingDeviceFailsWithTheOpeningText) {
  TComm comm(std::make_unique<posix::PosixSerialPort>("/nonexistent-equ-dir"));
  comm.SetPortNumber(9);
  EXPECT_FALSE(comm.Open());
  EXPECT_FALSE(comm.Opened());
  EXPECT_EQ(comm.ExtResultDescription().rfind(u"Ошибка открытия порта. ", 0), 0u);
}

class CommPtyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::PtyPair::SocatAvailable()) GTEST_SKIP() << "socat is not installed";
    pty = std::make_unique<testing::PtyPair>(4);
    ASSERT_TRUE(pty->Ready()) << "socat did not make the pty pair";
    comm = std::make_unique<TComm>(std::make_unique<posix::PosixSerialPort>(pty->Directory()));
    comm->SetPortNumber(4);
  }
  std::unique_ptr<testing::PtyPair> pty;
  std::unique_ptr<TComm> comm;
};

TEST_F(CommPtyTest, WritesAndReadsThroughARealDevice) {
  ASSERT_TRUE(comm->Open()) << WideToUtf8(comm->ExtResultDescription());
  EXPECT_TRUE(comm->WriteStr("ping\r", 0));
  EXPECT_EQ(pty->ReadPeer(5, 2000), "ping\r");
  pty->Write("pong");
  std::string data;
  EXPECT_EQ(comm->ReadStr(data, 2000), 0);
  EXPECT_EQ(data.substr(0, 2), "po");
}

TEST_F(CommPtyTest, TheSpeedIsSetOnTheLine) {
  // The device is read back once closed: an open port is not shared.
  comm->SetBaudRate(TBaudRate::br38400);
  ASSERT_TRUE(comm->Open());
  comm->Close();
  EXPECT_EQ(pty->DeviceSpeed(), 38400u);
  ASSERT_TRUE(comm->Open());
  comm->SetBaudRate(TBaudRate::br115200);
  comm->Close();
  EXPECT_EQ(pty->DeviceSpeed(), 115200u);
}

}  // namespace
}  // namespace equ
