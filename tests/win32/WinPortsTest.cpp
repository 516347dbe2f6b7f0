// The Win32 adapters of the platform ports against the real (Wine) platform.
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>

#include "equipment/common/DataFolders.h"
#include "equipment/common/Exceptions.h"
#include "platform/win32/WinFolders.h"
#include "platform/win32/WinGuidSource.h"
#include "platform/win32/WinHandles.h"
#include "platform/win32/WinModuleInfo.h"
#include "platform/win32/WinText.h"
#include "platform/win32/WinUserLocale.h"

namespace equ::win32 {
namespace {

WideString TempFolder(const wchar_t* name) {
  wchar_t buffer[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, buffer);
  return FromWide(buffer) + FromWide(name);
}

// Entries of a folder's access list that grant Everyone something.
int EveryoneEntries(const WideString& folder) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(WidePtr(folder), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return -1;
  }
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
  int count = 0;
  for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (GetAce(dacl, i, &ace) &&
        static_cast<ACE_HEADER*>(ace)->AceType == ACCESS_ALLOWED_ACE_TYPE &&
        EqualSid(&static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart, everyone)) {
      ++count;
    }
  }
  FreeSid(everyone);
  LocalFree(descriptor);
  return count;
}

TEST(WinModuleInfoTest, ModuleIsTheFileThisCodeIsLinkedInto) {
  const WideString path = WinModuleInfo().ModulePath();
  EXPECT_NE(path.find(u"equ_win32_tests.exe"), WideString::npos) << WideToUtf8(path);
  EXPECT_EQ(WinModuleInfo().GetFileVersion(path), FileVersion{}) << "the test has no version";
  EXPECT_EQ(WinModuleInfo().GetFileVersion(u"C:\\no\\such\\file.dll"), FileVersion{});
}

TEST(WinFoldersTest, CommonApplicationDataExists) {
  WinFolders folders;
  const auto common = folders.SpecialFolder(35);
  ASSERT_TRUE(common.ok()) << WideToUtf8(common.error());
  EXPECT_TRUE(folders.DirectoryExists(*common));
}

TEST(WinFoldersTest, ForceDirectoriesCreatesEveryMissingParent) {
  WinFolders folders;
  const WideString root = TempFolder(L"equ-force");
  const WideString nested = root + u"\\a\\b\\c\\";
  ASSERT_TRUE(folders.ForceDirectories(nested));
  EXPECT_TRUE(folders.DirectoryExists(nested));
  EXPECT_TRUE(folders.ForceDirectories(nested)) << "an existing folder is fine";
  RemoveDirectoryW(WidePtr(root + u"\\a\\b\\c"));
  RemoveDirectoryW(WidePtr(root + u"\\a\\b"));
  RemoveDirectoryW(WidePtr(root + u"\\a"));
  RemoveDirectoryW(WidePtr(root));
}

TEST(WinFoldersTest, GrantingEveryoneTwiceAddsTheEntryOnce) {
  WinFolders folders;
  const WideString folder = TempFolder(L"equ-grant");
  ASSERT_TRUE(folders.ForceDirectories(folder));
  ASSERT_TRUE(folders.GrantEveryoneAccess(folder));
  const int once = EveryoneEntries(folder);
  ASSERT_TRUE(folders.GrantEveryoneAccess(folder));
  EXPECT_EQ(EveryoneEntries(folder), once);
  RemoveDirectoryW(WidePtr(folder));
}

TEST(WinFoldersTest, GrantOnAMissingFolderAnswersThePlatformError) {
  const PortStatus granted = WinFolders().GrantEveryoneAccess(u"C:\\no\\such\\folder");
  EXPECT_FALSE(granted);
  EXPECT_FALSE(granted.error().empty());
}

TEST(WinDataFolderTest, DefaultDataFolderIsBelowCommonApplicationData) {
  const WideString folder = GetDefaultDataFolder();
  EXPECT_EQ(folder.back(), u'\\');
  EXPECT_NE(folder.find(u"\\equ_win32_tests\\"), WideString::npos) << WideToUtf8(folder);
  EXPECT_TRUE(WinFolders().DirectoryExists(folder));
}

TEST(WinGuidSourceTest, RegistryTextForm) {
  WinGuidSource guids;
  const PortResult<WideString> made = guids.NewGuidText();
  ASSERT_TRUE(made) << WideToUtf8(made.error());
  const WideString first = *made;
  ASSERT_EQ(first.size(), 38u);
  EXPECT_EQ(first.front(), u'{');
  EXPECT_EQ(first.back(), u'}');
  for (char16_t c : first) EXPECT_FALSE(c >= u'a' && c <= u'f') << "upper case only";
  EXPECT_NE(*guids.NewGuidText(), first);
}

// A named event is seen by OpenEventW exactly while a handle to it is open.
bool EventExists(const wchar_t* name) {
  const KernelHandle opened(OpenEventW(SYNCHRONIZE, FALSE, name));
  return static_cast<bool>(opened);
}

TEST(WinHandlesTest, AKernelHandleClosesWhenItGoesAndMovesWithoutClosing) {
  const wchar_t* name = L"Local\\equ-handles-test";
  KernelHandle moved;
  {
    KernelHandle event(CreateEventW(nullptr, TRUE, FALSE, name));
    ASSERT_TRUE(event);
    EXPECT_TRUE(EventExists(name));
    moved = std::move(event);
    EXPECT_FALSE(event);
  }
  EXPECT_TRUE(EventExists(name)) << "the moved-to owner keeps it open";
  moved.reset();
  EXPECT_FALSE(EventExists(name));
  EXPECT_FALSE(KernelHandle(INVALID_HANDLE_VALUE)) << "the failure value of CreateFileW is none";
}

TEST(WinHandlesTest, AWindowIsDestroyedWithItsOwner) {
  HWND raw = nullptr;
  {
    WindowHandle window(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(window);
    raw = window.get();
    EXPECT_TRUE(IsWindow(raw));
  }
  EXPECT_FALSE(IsWindow(raw));
}

TEST(WinUserLocaleTest, DatesReadBackTheirOwnText) {
  WinUserLocale locale;
  const WideString text = locale.DateTimeToText(Date{45000.75});
  const auto back = locale.TextToDateTime(text);
  ASSERT_TRUE(back.has_value()) << WideToUtf8(text);
  EXPECT_NEAR(back->days, 45000.75, 1e-6);
  EXPECT_FALSE(locale.TextToDateTime(u"не дата").has_value());
}

}  // namespace
}  // namespace equ::win32
