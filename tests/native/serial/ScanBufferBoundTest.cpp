#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "SerialTestSupport.h"
#include "equipment/common/AppLog.h"
#include "platform/PlatformPorts.h"
#include "scanner/serial/ScanBuffer.h"
#include "scanner/serial/SerialText.h"
#include "scanner/serial/TickCount.h"

namespace equ {
namespace {

using testing::FakeSerialPort;

constexpr std::size_t kBeyondTheBound = 200 * 1000;

struct BoundCase {
  const char* name;
  std::string postfix;
  std::vector<std::string> chunks;
  std::vector<std::string> barcodes;
  std::size_t errorLines;
};

// A scanner on a fake port whose reads are drained as the reader thread drains them, with
// the application log kept in memory.
class ScanBufferBoundTest : public ::testing::TestWithParam<BoundCase> {
 protected:
  void SetUp() override { SetLogMode(kLogModeAll); }
  void TearDown() override { SetLogMode(kLogModeOff); }

  std::vector<std::string> ReadAll(rs232::TScanner& scanner) {
    std::vector<std::string> barcodes;
    while (!script->reads.empty()) {
      if (!scanner.ReadData()) continue;
      for (std::string b = scanner.GetNextBarcode(); !b.empty() || !scanner.ScanBuffer().empty();
           b = scanner.GetNextBarcode()) {
        if (!TrimControl(b).empty()) barcodes.push_back(TrimControl(b));
      }
    }
    return barcodes;
  }

  std::size_t ErrorLines() const {
    const std::string text = log->Text();
    std::size_t count = 0;
    for (std::size_t at = text.find("\tERROR\t"); at != std::string::npos;
         at = text.find("\tERROR\t", at + 1)) {
      ++count;
    }
    return count;
  }

  std::shared_ptr<FakeSerialPort::Script> script = std::make_shared<FakeSerialPort::Script>();
  std::shared_ptr<testing::MemoryLogFiles> log = std::make_shared<testing::MemoryLogFiles>();
  ScopedPlatformPorts ports{
      PlatformPorts{.folders = std::make_shared<testing::MemoryFolders>(), .logFiles = log}};
};

TEST_P(ScanBufferBoundTest, ALineWithoutItsEndIsDroppedAndTheNextOneRead) {
  const BoundCase& c = GetParam();
  rs232::TScanner scanner(std::make_unique<FakeSerialPort>(script), Platform().codePage);
  scanner.SetPostfix(c.postfix);
  ASSERT_EQ(scanner.Enable(), 0);
  script->reads = {c.chunks.begin(), c.chunks.end()};
  EXPECT_EQ(ReadAll(scanner), c.barcodes);
  EXPECT_EQ(ErrorLines(), c.errorLines) << "one ERROR line for each dropped line";
  std::size_t bytesSent = 0;
  for (const std::string& chunk : c.chunks) bytesSent += chunk.size();
  EXPECT_LT(log->Text().size(), 10 * bytesSent)
      << "the debug log grows with the line, not with its square";
}

const std::string kLong(kBeyondTheBound, 'A');
const std::string kLongestReal(rs232::kScanBufferLimit - 2, 'R');

INSTANTIATE_TEST_SUITE_P(
    Table, ScanBufferBoundTest,
    ::testing::Values(
        BoundCase{"LineEndsAfterTheBound",
                  "\r\n",
                  {kLong, "\r\n4607001234567\r\n"},
                  {"4607001234567"},
                  1},
        BoundCase{"TheEndComesWithTheLastBytes", "\r\n", {kLong + "\r\n123\r\n"}, {"123"}, 1},
        BoundCase{"AnyLineEnd", "", {kLong, "AAAA\n", "123\r"}, {"123"}, 1},
        BoundCase{"PostfixSplitBetweenReads", "END", {kLong, "EN", "D4607END"}, {"4607"}, 1},
        BoundCase{"TwoLongLines", "\r\n", {kLong, "\r\n", kLong, "\r\n", "77\r\n"}, {"77"}, 2},
        BoundCase{"ARealBarcodeJustBelowTheBound",
                  "\r\n",
                  {kLongestReal + "\r\n", "1\r\n"},
                  {kLongestReal, "1"},
                  0}),
    [](const ::testing::TestParamInfo<BoundCase>& row) { return row.param.name; });

// In interval mode the pause ends a line: after a dropped one, what comes after the next pause
// is read again.
TEST_F(ScanBufferBoundTest, InIntervalModeThePauseEndsTheDroppedLine) {
  rs232::TScanner scanner(std::make_unique<FakeSerialPort>(script), Platform().codePage);
  scanner.SetPostfix("");
  scanner.SetInterCharInterval(10000);
  ASSERT_EQ(scanner.Enable(), 0);
  script->reads = {kLong};
  while (!script->reads.empty()) scanner.ReadData();
  EXPECT_TRUE(scanner.ScanBuffer().empty());
  EXPECT_EQ(ErrorLines(), 1u);
  scanner.SetLastScanTime(TickCountMs() - 20000);  // a pause
  script->reads = {"4607001234567"};
  EXPECT_FALSE(scanner.ReadData());
  scanner.SetLastScanTime(TickCountMs() - 20000);  // and the pause after it
  EXPECT_TRUE(scanner.ReadData());
  EXPECT_EQ(scanner.GetNextBarcode(), "4607001234567");
}

}  // namespace
}  // namespace equ
