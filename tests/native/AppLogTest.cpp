#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

#include "FakePorts.h"
#include "LocaleFixture.h"
#include "equipment/common/AppLog.h"
#include "equipment/common/DataFolders.h"
#include "equipment/common/OperatingSystemText.h"
#include "platform/PlatformPorts.h"

namespace equ {
namespace {

constexpr LocalDateTime kMorning{2026, 12, 10, 9, 5, 7, 42};
const std::string kLogFile = "s_morvanelv41/s_morvanelv41_2026.12.10.log";

class AppLogTest : public ::testing::Test {
 protected:
  AppLogTest() : ports_(PlatformPorts{.module = module_, .folders = folders_, .clock = clock_}) {}
  ~AppLogTest() override { SetLogMode(kLogModeOff); }

  std::string LogText() { return testing::FilesBelow(folders_->CommonAppData())[kLogFile]; }

  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
      lines.push_back(text.substr(start, end - start));
    }
    return lines;
  }

  testing::LocaleScope locale_ = testing::EnglishLocale();
  std::shared_ptr<testing::FakeModuleInfo> module_ = std::make_shared<testing::FakeModuleInfo>();
  std::shared_ptr<testing::TempDataFolders> folders_ = std::make_shared<testing::TempDataFolders>();
  std::shared_ptr<testing::FakeClock> clock_ = std::make_shared<testing::FakeClock>(kMorning);
  ScopedPlatformPorts ports_;
};

TEST_F(AppLogTest, ModeZeroWritesNothingAndMakesNoFolder) {
  SetLogMode(kLogModeOff);
  AppLog(u"TScannerRS232.Enable", u"Port=3", kLogError);
  EXPECT_FALSE(std::filesystem::exists(folders_->CommonAppData() / "s_morvanelv41"));
}

// The platform loads a module registered from a folder with a blank by its short name; the
// log and the driver's data folder must still be the one folder named after the long name.
TEST_F(AppLogTest, ModuleLoadedByItsShortNameLogsBesideTheDefaultDataFolder) {
  module_->path = u"C:\\PROGRA~1\\OVEXDR~1\\S_MO~SIY.DLL";
  module_->longPaths[module_->path] = u"C:\\Program Files\\Ovex Driver\\s_morvanelv41.dll";
  SetLogMode(kLogModeAll);
  AppLog(u"TScannerRS232.Enable", u"Port=3", kLogDebug);
  const auto files = testing::FilesBelow(folders_->CommonAppData());
  EXPECT_EQ(files.count(kLogFile), 1u);
  EXPECT_NE(LogText().find("Application:\ts_morvanelv41.dll"), std::string::npos);
  const std::filesystem::path dataFolder = WideToUtf8(GetDefaultDataFolder());
  EXPECT_EQ(dataFolder.parent_path(), folders_->CommonAppData() / "s_morvanelv41");
  for (const auto& [name, text] : files) {
    EXPECT_EQ(name.rfind("s_morvanelv41/", 0), 0u) << name << " is outside the module's folder";
  }
}

TEST_F(AppLogTest, UnknownModeIsOff) {
  SetLogMode(7);
  AppLog(u"Source", u"text", kLogError);
  EXPECT_FALSE(std::filesystem::exists(folders_->CommonAppData() / "s_morvanelv41"));
}

struct ModeCase {
  std::uint8_t mode;
  bool info;
  bool debug;
  bool error;
};

void PrintTo(const ModeCase& c, std::ostream* os) {
  *os << "mode " << int(c.mode);
}

class AppLogModeTest : public AppLogTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(AppLogModeTest, ModeDecidesWhichLevelsPass) {
  SetLogMode(GetParam().mode);
  AppLog(u"S", u"info", kLogInfo);
  AppLog(u"S", u"debug", kLogDebug);
  AppLog(u"S", u"error", kLogError);
  const std::string text = LogText();
  EXPECT_EQ(text.find("\tINFO\tS: \tinfo\r\n") != std::string::npos, GetParam().info);
  EXPECT_EQ(text.find("\tDEBUG\tS: \tdebug\r\n") != std::string::npos, GetParam().debug);
  EXPECT_EQ(text.find("\tERROR\tS: \terror\r\n") != std::string::npos, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(Table, AppLogModeTest,
                         ::testing::Values(ModeCase{kLogModeErrors, false, false, true},
                                           ModeCase{kLogModeInfo, true, false, true},
                                           ModeCase{kLogModeAll, true, true, true}));

TEST_F(AppLogTest, FirstLineOfARunFollowsTheStartBanner) {
  SetLogMode(kLogModeAll);
  AppLog(u"  TScannerKeyboard.ReadData \t", u" \tData=12345\r\n", kLogDebug);
  AppLog(u"Second", u"", kLogDebug);
  const auto lines = Lines(LogText());
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], std::string(40, ' '));
  EXPECT_EQ(lines[1], "============Start log=============");
  EXPECT_EQ(lines[2], "OS version:\tUnknown (0.0.0)");
  EXPECT_EQ(lines[3], "Application:\ts_morvanelv41.dll");
  EXPECT_EQ(lines[4], "App. version:\t1.1.1.2");
  EXPECT_EQ(lines[5], std::string(40, ' '));
  EXPECT_EQ(lines[6], "2026.12.10 09:05:07.042\tDEBUG\tTScannerKeyboard.ReadData: \tData=12345");
  EXPECT_EQ(lines[7], "2026.12.10 09:05:07.042\tDEBUG\tSecond") << "no separator for no text";
}

TEST_F(AppLogTest, SwitchingOffWritesTheStopBannerAndTheNextRunStartsAgain) {
  SetLogMode(kLogModeAll);
  AppLog(u"A", u"1", kLogDebug);
  SetLogMode(kLogModeOff);
  SetLogMode(kLogModeAll);
  AppLog(u"B", u"2", kLogDebug);
  const std::string text = LogText();
  EXPECT_NE(text.find("\tA: \t1\r\n============Stop log===============\r\n\r\n" +
                      std::string(40, ' ') + "\r\n============Start log"),
            std::string::npos);
}

TEST_F(AppLogTest, ModuleUnloadStopsARunningLog) {
  SetLogMode(kLogModeErrors);
  AppLog(u"A", u"1", kLogError);
  AppLogModuleUnload();
  const std::string text = LogText();
  EXPECT_EQ(text.substr(text.size() - 39), "============Stop log===============\r\n\r\n");
}

TEST_F(AppLogTest, NoStopBannerWithoutAStart) {
  SetLogMode(kLogModeAll);
  SetLogMode(kLogModeOff);
  EXPECT_EQ(LogText(), "");
}

TEST_F(AppLogTest, LinesOfTwoThreadsNeverInterleave) {
  SetLogMode(kLogModeAll);
  constexpr int kLines = 10000;
  auto writer = [](const char16_t* source) {
    for (int i = 0; i < kLines; ++i) AppLog(source, u"line " + IntToWide(i), kLogDebug);
  };
  std::thread first(writer, u"ThreadA");
  std::thread second(writer, u"ThreadB");
  first.join();
  second.join();
  const auto lines = Lines(LogText());
  ASSERT_EQ(lines.size(), 6u + 2 * kLines);
  EXPECT_EQ(lines[1], "============Start log=============");
  int next[2] = {0, 0};
  for (std::size_t i = 6; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const bool fromA = line.find("\tDEBUG\tThreadA: \tline ") == 23;
    const bool fromB = line.find("\tDEBUG\tThreadB: \tline ") == 23;
    ASSERT_TRUE(fromA || fromB) << "line " << i << ": " << line;
    int& expected = next[fromA ? 0 : 1];
    ASSERT_EQ(line.substr(line.rfind(' ') + 1), std::to_string(expected)) << line;
    ++expected;
  }
  EXPECT_EQ(next[0], kLines);
  EXPECT_EQ(next[1], kLines);
}

struct OsCase {
  std::optional<OsVersion> version;
  const char16_t* expected;
};

void PrintTo(const OsCase& c, std::ostream* os) {
  *os << WideToUtf8(c.expected);
}

class OperatingSystemTextTest : public ::testing::TestWithParam<OsCase> {};

TEST_P(OperatingSystemTextTest, NamesTheVersion) {
  EXPECT_EQ(OperatingSystemText(GetParam().version), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, OperatingSystemTextTest,
    ::testing::Values(OsCase{OsVersion{10, 0, 19045, true, u""}, u"Windows 10 (10.0.19045)"},
                      OsCase{OsVersion{6, 1, 7601, true, u"Service Pack 1"},
                             u"Windows 7 Service Pack 1 (6.1.7601)"},
                      OsCase{OsVersion{4, 0, 1381, true, u""}, u"Windows NT 4 (4.0.1381)"},
                      OsCase{OsVersion{4, 0, 950, false, u""}, u"Windows 95 (4.0.950)"},
                      OsCase{OsVersion{4, 90, 3000, false, u""}, u"Windows ME (4.90.3000)"},
                      OsCase{OsVersion{6, 3, 9600, true, u""}, u"Windows 8.1 (6.3.9600)"},
                      OsCase{OsVersion{3, 51, 1057, true, u""}, u"Windows NT 3 (3.51.1057)"},
                      OsCase{OsVersion{11, 0, 1, true, u""}, u"Unknown (11.0.1)"},
                      OsCase{std::nullopt, u"Unknown (0.0.0)"}));

}  // namespace
}  // namespace equ
