// The call trace and the application log writing real files in the prefix's common
// application-data folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "equipment/common/AppLog.h"
#include "equipment/common/BaseObject.h"
#include "equipment/common/DataFolders.h"
#include "equipment/common/LogTimeStamp.h"
#include "platform/Clock.h"
#include "platform/PlatformPorts.h"
#include "platform/win32/WinText.h"

namespace equ::win32 {
namespace {

std::string ReadFile(const WideString& path) {
  std::ifstream in(reinterpret_cast<const wchar_t*>(path.c_str()), std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

WideString Today() {
  return LogFileDate(Platform().clock->Now());
}

class TTracedObject : public TBaseObject {};

TEST(LogFilesUnderWineTest, TraceLineIsInTheAnsiCodePage) {
  TTracedObject object;
  object.Initialize();
  object.SetDebugLogEnabled(true);
  object.WriteDebugLog(u"Сканер", u"штрихкод");
  const std::string trace = ReadFile(GetDefaultDataFolder() + u"Debug_" + Today() + u".log");
  const std::string expectedName = GetACP() == 1251 ? "\xD1\xEA\xE0\xED\xE5\xF0" : "??????";
  EXPECT_NE(trace.find(WideToUtf8(object.InstanceID()) + "\t" + expectedName + ": \t"),
            std::string::npos)
      << "ANSI code page " << GetACP();
}

TEST(LogFilesUnderWineTest, ApplicationLogIsUtf8WithItsBanner) {
  SetLogMode(kLogModeAll);
  AppLog(u"LogFilesUnderWineTest", u"Проверка", kLogDebug);
  SetLogMode(kLogModeOff);
  const WideString folder = GetDefaultDataFolder();
  const std::string log = ReadFile(folder + u"equ_win32_tests_" + Today() + u".log");
  EXPECT_NE(log.find("============Start log=============\r\nOS version:\tWindows "),
            std::string::npos);
  EXPECT_NE(log.find("Application:\tequ_win32_tests.exe\r\n"), std::string::npos);
  EXPECT_NE(log.find("\tDEBUG\tLogFilesUnderWineTest: \t\xD0\x9F\xD1\x80\xD0\xBE"),
            std::string::npos);
  EXPECT_NE(log.find("============Stop log===============\r\n\r\n"), std::string::npos);
}

}  // namespace
}  // namespace equ::win32
