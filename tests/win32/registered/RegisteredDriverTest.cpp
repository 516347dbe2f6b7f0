// The driver as a host meets it: registered with regsvr32 from a folder with a blank in its
// name and created through COM, with an equipment manager of the test's own.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "RegisteredDriver.h"
#include "equipment/common/VariantText.h"
#include "platform/win32/ComDispatchObject.h"
#include "platform/win32/WinText.h"
#include "tools/test_host/HostManager.h"
#include "typed/TypedManager.h"

namespace equ::win32::testing {
namespace {

const auto* const kRegistration =
    ::testing::AddGlobalTestEnvironment(new RegistrationEnvironment());

// An equipment manager whose devices folder does not exist: the trace goes to the default
// data folder.
Variant NewManager() {
  auto manager = MakeObject<tools::THostManager>(
      std::map<WideString, WideString>{{u"ModelsFolder", u"C:\\NoSuchModels\\"},
                                       {u"DevicesFolder", u"C:\\NoSuchDevices\\"},
                                       {u"Language", u"ru"}},
      [](const WideString&) {});
  auto* dispatch = new ComDispatchObject(std::move(manager));
  Variant value(std::shared_ptr<DispatchPort>(std::make_shared<ComDispatchPort>(dispatch)));
  dispatch->Release();
  return value;
}

std::wstring CommonAppData() {
  wchar_t buffer[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer);
  return buffer;
}

std::string ReadFile(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::wstring TodaysTraceName() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  wchar_t name[64] = {};
  swprintf(name, 64, L"Debug_%04u.%02u.%02u.log", now.wYear, now.wMonth, now.wDay);
  return name;
}

// A folder below the common application-data folder with an 8.3 name of its own
// ("S_MO~..."): a trace that took its folder from the short path would make one.
std::wstring ShortNamedDataFolder() {
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((CommonAppData() + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return std::wstring();
  std::wstring name;
  do {
    if (std::wstring(found.cFileName).find(L'~') != std::wstring::npos) name = found.cFileName;
  } while (name.empty() && FindNextFileW(search, &found));
  FindClose(search);
  return name;
}

TEST(RegisteredDriverTest, RegistrationFromAFolderWithABlankStoresTheShortPath) {
  const std::wstring stored = RegisteredServerPath();
  ASSERT_FALSE(stored.empty());
  EXPECT_EQ(stored.find(L' '), std::wstring::npos);
  EXPECT_NE(stored.find(L'~'), std::wstring::npos) << "the registry holds the 8.3 path";
}

TEST(RegisteredDriverTest, TraceGoesToTheFolderOfTheApplicationLog) {
  RegisteredDriver driver;
  ASSERT_TRUE(driver.Created()) << std::hex << driver.CreationResult();
  ASSERT_TRUE(driver.CallPrivate(u"Init", NewManager()));
  const WideString deviceId = u"trace-" + IntToWide(static_cast<std::int64_t>(GetTickCount64()));
  ASSERT_TRUE(driver.CallPrivate(u"Open", Variant(deviceId)));
  ASSERT_TRUE(driver.SetSetting(u"DebugLogEnabled", Variant(true)));
  // A port that cannot be opened: the enabling fails, after the trace header was written.
  ASSERT_TRUE(driver.SetSetting(u"PortNumber", Variant(250)));
  driver.CallPublic(u"Enable", Variant());
  driver.CallPublic(u"Disable", Variant());

  const std::wstring trace = CommonAppData() + L"\\s_morvanelv41\\" + TodaysTraceName();
  const std::string text = ReadFile(trace);
  EXPECT_NE(text.find(WideToUtf8(deviceId)), std::string::npos)
      << "no trace of this object in the application log's folder";
  EXPECT_EQ(ShortNamedDataFolder(), L"") << "a data folder named after the short path";
}

TEST(RegisteredDriverTest, SetSettingsWithAnUnreadableIdentifierChangesNothing) {
  RegisteredDriver driver;
  ASSERT_TRUE(driver.Created()) << std::hex << driver.CreationResult();
  const SafeArray before = driver.Settings();
  SafeArray table = before;
  const std::int32_t firstValue[] = {1, 0};
  const std::int32_t secondId[] = {0, 1};
  *table.Find(firstValue) = Variant(30);
  *table.Find(secondId) = Variant::Null();
  Variant out;
  EXPECT_FALSE(
      driver.CallPublic(u"SetSettings", Variant(SafeArray::Vector({Variant(table)})), &out));
  ASSERT_TRUE(out.IsArray());
  EXPECT_EQ(out.Array()->At(0), Variant(1004));
  EXPECT_NE(out.Array()->At(1).ToString().find(u"столбце 1"), WideString::npos);
  EXPECT_EQ(driver.Settings(), before);
}

TEST(RegisteredDriverTest, AKeyboardEnablingFailedByABadIntervalLetsASecondDriverEnable) {
  RegisteredDriver failing;
  RegisteredDriver second;
  ASSERT_TRUE(failing.Created() && second.Created()) << std::hex << failing.CreationResult();
  ASSERT_TRUE(failing.SetSetting(u"InterfaceType", Variant(1)));
  ASSERT_TRUE(failing.SetSetting(u"InterCharIntervalKbd", Variant(u"abc")));
  Variant out;
  EXPECT_FALSE(failing.CallPublic(u"Enable", Variant(), &out));
  ASSERT_TRUE(out.IsArray());
  EXPECT_EQ(out.Array()->At(0), Variant(1001));
  ASSERT_TRUE(second.SetSetting(u"InterfaceType", Variant(1)));
  EXPECT_TRUE(second.CallPublic(u"Enable", Variant(), &out)) << WideToUtf8(VariantToText(out));
  EXPECT_TRUE(second.CallPublic(u"Disable", Variant()));
}

TEST(RegisteredDriverTest, ManagerWithTypedParametersAnswersInitAndOpen) {
  RegisteredDriver driver;
  ASSERT_TRUE(driver.Created()) << std::hex << driver.CreationResult();
  auto* manager = new TypedManager();
  const Variant managerValue(
      std::shared_ptr<DispatchPort>(std::make_shared<ComDispatchPort>(manager)));
  WideString description;
  EXPECT_TRUE(driver.CallPrivate(u"Init", managerValue, &description)) << WideToUtf8(description);
  EXPECT_TRUE(driver.CallPrivate(u"Open", Variant(u"typed"), &description))
      << WideToUtf8(description);
  const std::vector<std::wstring> expected{
      L"GetAppProperty ModelsFolder", L"GetAppProperty Language", L"GetAppProperty DevicesFolder"};
  EXPECT_EQ(manager->calls, expected);
  driver.CallPrivate(u"Close", Variant());
  manager->Release();
}

}  // namespace
}  // namespace equ::win32::testing
