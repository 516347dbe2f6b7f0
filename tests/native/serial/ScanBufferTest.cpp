#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "SerialTestSupport.h"
#include "platform/PlatformPorts.h"
#include "scanner/serial/ScanBuffer.h"
#include "scanner/serial/SerialText.h"

namespace equ {
namespace {

using testing::FakeSerialPort;

struct BufferCase {
  const char* name;
  std::uint32_t interval;
  bool testMode;
  std::string postfix;
  std::string chunk;
  bool ready;
  std::vector<std::string> barcodes;
};

class ScanBufferTest : public ::testing::TestWithParam<BufferCase> {};

TEST_P(ScanBufferTest, CutsBarcodesByTheModeRules) {
  const BufferCase& c = GetParam();
  auto script = std::make_shared<FakeSerialPort::Script>();
  rs232::TScanner scanner(std::make_unique<FakeSerialPort>(script), Platform().codePage);
  scanner.SetInterCharInterval(c.interval);
  scanner.SetTestMode(c.testMode);
  scanner.SetPostfix(c.postfix);
  ASSERT_EQ(scanner.Enable(), 0);
  script->reads = {c.chunk};
  EXPECT_EQ(scanner.ReadData(), c.ready);
  std::vector<std::string> got;
  for (std::string b = scanner.GetNextBarcode(); !b.empty(); b = scanner.GetNextBarcode()) {
    got.push_back(TrimControl(b));
  }
  EXPECT_EQ(got, c.barcodes);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ScanBufferTest,
    ::testing::Values(
        BufferCase{"TwoCodesCrLf", 0, false, "", "123\r\n456\r\n", true, {"123", "456"}},
        BufferCase{
            "SplitAtFirstOfTheEndingTerminator", 0, false, "", "123\r456\n", true, {"123\r456"}},
        BufferCase{"LoneCr", 0, false, "", "123\r", true, {"123"}},
        BufferCase{"NoLineEndWaits", 0, false, "", "123", false, {"123"}},
        BufferCase{"PostfixEtx",
                   0,
                   false,
                   "\x03",
                   "AB\x03"
                   "CD\x03",
                   true,
                   {"AB", "CD"}},
        BufferCase{"PostfixNotAtTheEnd", 0, false, "\x03", "AB\r\n", false, {"AB"}},
        BufferCase{"TestModeTakesTheChunk", 0, true, "\r\n", "AB\r\nCD", true, {"AB\r\nCD"}},
        BufferCase{"IntervalModeWaitsForThePause", 100, false, "", "12345\r\n", false, {"12345"}},
        BufferCase{"IntervalModeWithPostfix", 100, false, "\r\n", "12\r\n34", false, {"12", "34"}}),
    [](const ::testing::TestParamInfo<BufferCase>& row) { return row.param.name; });

TEST(RS232ScannerTest, ReadsWithTheImmediateTimeoutsAndTheDefaultLine) {
  auto script = std::make_shared<FakeSerialPort::Script>();
  rs232::TScanner scanner(std::make_unique<FakeSerialPort>(script), Platform().codePage);
  EXPECT_EQ(scanner.Postfix(), "\r\n");
  EXPECT_EQ(scanner.InterCharInterval(), 0u);
  ASSERT_EQ(scanner.Enable(), 0);
  EXPECT_EQ(script->timeouts.readInterval, 0xFFFFFFFFu);
  EXPECT_EQ(script->timeouts.readTotalMultiplier, 0xFFFFFFFFu);
  EXPECT_EQ(script->timeouts.readTotalConstant, 25u);
  EXPECT_EQ(script->timeouts.writeTotalMultiplier, 50u);
  EXPECT_EQ(script->timeouts.writeTotalConstant, 100u);
  EXPECT_EQ(script->state.baudRate, 9600u);
  EXPECT_EQ(script->state.byteSize, 8);
  EXPECT_EQ(script->state.parity, 0);
}

TEST(RS232ScannerTest, EnableEmptiesTheBufferAndAnswers1011WhenThePortDoesNotOpen) {
  auto script = std::make_shared<FakeSerialPort::Script>();
  rs232::TScanner scanner(std::make_unique<FakeSerialPort>(script), Platform().codePage);
  ASSERT_EQ(scanner.Enable(), 0);
  script->reads = {"12"};
  scanner.ReadData();
  EXPECT_EQ(scanner.ScanBuffer(), "12");
  script->openFails = true;
  EXPECT_EQ(scanner.Enable(), 1011);
  EXPECT_TRUE(scanner.ScanBuffer().empty());
  EXPECT_FALSE(scanner.Opened());
}

}  // namespace
}  // namespace equ
