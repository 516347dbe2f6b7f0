#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "FakePorts.h"
#include "LocaleFixture.h"
#include "equipment/common/BaseObject.h"
#include "equipment/common/CallTrace.h"
#include "equipment/common/Exceptions.h"
#include "platform/PlatformPorts.h"

namespace equ {
namespace {

class TTracedObject : public TBaseObject {
 public:
  void Initialize() override {
    TBaseObject::Initialize();
    RegisterPublicMethod(u"GetDataCount", [](Variant&, Variant& out, std::int32_t, WideString&) {
      out = Variant(3);
      return 0;
    });
    RegisterPrivateMethod(u"Open", [](SafeArray&) -> Variant {
      throw EquException(1005, u"Менеджер оборудования недоступен");
    });
  }
};

constexpr LocalDateTime kEvening{2026, 12, 10, 23, 59, 59, 998};
constexpr LocalDateTime kNextMorning{2026, 12, 11, 0, 0, 0, 5};

class CallTraceTest : public ::testing::Test {
 protected:
  CallTraceTest() : ports_(PlatformPorts{.module = module_, .folders = folders_, .clock = clock_}) {
    object_.Initialize();
  }

  std::map<std::string, std::string> TraceFiles() const {
    return testing::FilesBelow(folders_->CommonAppData());
  }

  HResult Call(std::u16string_view name, SafeArray& params) {
    std::int32_t id = object_.FindMethodID(name);
    Variant result;
    return object_.Invoke(id, kDispatchMethod, params, result, nullptr);
  }

  testing::LocaleScope locale_ = testing::EnglishLocale();
  std::shared_ptr<testing::FakeModuleInfo> module_ = std::make_shared<testing::FakeModuleInfo>();
  std::shared_ptr<testing::TempDataFolders> folders_ = std::make_shared<testing::TempDataFolders>();
  std::shared_ptr<testing::FakeClock> clock_ = std::make_shared<testing::FakeClock>(kEvening);
  ScopedPlatformPorts ports_;
  TTracedObject object_;
};

const std::string kTraceFile = "s_morvanelv41/Debug_2026.12.10.log";

TEST_F(CallTraceTest, TraceOffCreatesNoFileAndNoFolder) {
  SafeArray params = SafeArray::Vector({Variant(), Variant(), Variant(0)});
  ASSERT_EQ(Call(u"GetDataCount", params), hresult::kOk);
  EXPECT_FALSE(std::filesystem::exists(folders_->CommonAppData() / "s_morvanelv41"));
}

TEST_F(CallTraceTest, PublicCallLeavesItsTwoLines) {
  object_.SetDebugLogEnabled(true);
  SafeArray params = SafeArray::Vector({Variant(u"x"), Variant(), Variant(0)});
  ASSERT_EQ(Call(u"GetDataCount", params), hresult::kOk);
  const std::string id = WideToUtf8(object_.InstanceID());
  EXPECT_EQ(TraceFiles()[kTraceFile], "2026.12.10 23:59:59.998 Inst.: " + id +
                                          "\t> GetDataCount: \tInData: 'x'\r\n" +
                                          "2026.12.10 23:59:59.998 Inst.: " + id +
                                          "\t< GetDataCount: \tResult=True; OutData: 3\r\n");
}

TEST_F(CallTraceTest, InvalidTimeOutLeavesAnEmptyResult) {
  object_.SetDebugLogEnabled(true);
  SafeArray params = SafeArray::Vector({Variant(), Variant()});
  ASSERT_EQ(Call(u"GetDataCount", params), hresult::kInvalidArg);
  EXPECT_NE(TraceFiles()[kTraceFile].find("\t< GetDataCount: \tResult=EMPTY; OutData: EMPTY\r\n"),
            std::string::npos);
}

TEST_F(CallTraceTest, RaisingPrivateCallLeavesBothExceptionLines) {
  object_.SetDebugLogEnabled(true);
  SafeArray params = SafeArray::Vector({Variant(u"dev1")});
  ASSERT_EQ(Call(u"Open", params), hresult::kDispException);
  const std::string trace = TraceFiles()[kTraceFile];
  // In the ANSI code page (Windows-1251) "Менеджер" is CC E5 ED E5 E4 E6 E5 F0.
  const std::string manager = "\xCC\xE5\xED\xE5\xE4\xE6\xE5\xF0";
  EXPECT_NE(trace.find("\t> Open: \tParams: [('dev1')]\r\n"), std::string::npos);
  EXPECT_NE(trace.find("\tEXCEPTION: \t" + manager), std::string::npos);
  EXPECT_NE(trace.find("\tEXCEPTION: \tEquException: " + manager), std::string::npos);
  EXPECT_EQ(trace.find("< Open"), std::string::npos);
}

TEST_F(CallTraceTest, HeaderLineWithoutTextHasNoSeparator) {
  object_.SetDebugLogEnabled(true);
  object_.WriteDebugLog(u"=== Заголовок ===", u"ignored", true);
  const std::string trace = TraceFiles()[kTraceFile];
  EXPECT_NE(trace.find("\t=== \xC7\xE0\xE3\xEE\xEB\xEE\xE2\xEE\xEA ===\r\n"), std::string::npos);
  EXPECT_EQ(trace.find(": \t"), std::string::npos);
}

TEST_F(CallTraceTest, CharactersOutsideTheCodePageBecomeItsDefault) {
  object_.SetDebugLogEnabled(true);
  object_.WriteDebugLog(u"Name", u"€ ✓ 中");
  EXPECT_NE(TraceFiles()[kTraceFile].find("\tName: \t\x88 ? ?\r\n"), std::string::npos);
}

TEST_F(CallTraceTest, LinesOnEitherSideOfMidnightGoToTwoFiles) {
  object_.SetDebugLogEnabled(true);
  object_.WriteDebugLog(u"before", u"1");
  clock_->Set(kNextMorning);
  object_.WriteDebugLog(u"after", u"2");
  const auto files = TraceFiles();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_NE(files.at(kTraceFile).find("\tbefore: \t1\r\n"), std::string::npos);
  EXPECT_NE(files.at("s_morvanelv41/Debug_2026.12.11.log").find("2026.12.11 00:00:00.005"),
            std::string::npos);
}

TEST_F(CallTraceTest, ExistingTraceFolderIsUsedAndAMissingOneFallsBack) {
  object_.SetDebugLogEnabled(true);
  const std::filesystem::path device = folders_->Root() / "Devices" / "dev1";
  object_.SetDebugLogDir(Utf8ToWide(device.string()) + u"/");
  object_.WriteDebugLog(u"missing", u"");
  std::filesystem::create_directories(device);
  object_.WriteDebugLog(u"present", u"");
  EXPECT_NE(TraceFiles()[kTraceFile].find("\tmissing: \t"), std::string::npos);
  const auto deviceFiles = testing::FilesBelow(device);
  ASSERT_EQ(deviceFiles.count("Debug_2026.12.10.log"), 1u);
  EXPECT_NE(deviceFiles.at("Debug_2026.12.10.log").find("\tpresent: \t"), std::string::npos);
}

TEST_F(CallTraceTest, UnwritableTraceFailsTheWriterButNeverTheCall) {
  object_.SetDebugLogEnabled(true);
  // A file where the data folder should be: the folder cannot be made.
  std::filesystem::create_directories(folders_->CommonAppData());
  { std::ofstream blocker(folders_->CommonAppData() / "s_morvanelv41"); }
  EXPECT_THROW(DailyTraceFile().WriteLine(TraceLine{u"{id}", u"", u"n", u"t", false}), Exception);
  SafeArray params = SafeArray::Vector({Variant(), Variant(), Variant(0)});
  EXPECT_EQ(Call(u"GetDataCount", params), hresult::kOk);
}

}  // namespace
}  // namespace equ
