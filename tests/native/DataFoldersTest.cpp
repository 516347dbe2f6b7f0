#include <gtest/gtest.h>

#include <memory>

#include "FakePorts.h"
#include "equipment/common/DataFolders.h"
#include "equipment/common/Exceptions.h"
#include "platform/PlatformPorts.h"

namespace equ {
namespace {

class DataFoldersTest : public ::testing::Test {
 protected:
  DataFoldersTest() : ports_(PlatformPorts{.module = module_, .folders = folders_}) {
    folders_->special[kFolderCommonAppData] = u"C:\\ProgramData";
    folders_->special[kFolderAppData] = u"C:\\Users\\kassir\\AppData\\Roaming";
  }

  std::shared_ptr<testing::FakeFolders> folders_ = std::make_shared<testing::FakeFolders>();
  std::shared_ptr<testing::FakeModuleInfo> module_ = std::make_shared<testing::FakeModuleInfo>();
  ScopedPlatformPorts ports_;
};

TEST_F(DataFoldersTest, DefaultDataFolderIsNamedAfterTheModuleAndOpenedToAll) {
  EXPECT_EQ(GetDefaultDataFolder(), u"C:\\ProgramData\\s_morvanelv41\\");
  EXPECT_TRUE(folders_->DirectoryExists(u"C:\\ProgramData\\s_morvanelv41\\"));
  ASSERT_EQ(folders_->granted.size(), 1u);
  EXPECT_EQ(folders_->granted[0], u"C:\\ProgramData\\s_morvanelv41\\");
}

TEST_F(DataFoldersTest, ModuleLoadedByItsShortNameGivesTheFolderOfTheLongName) {
  module_->path = u"C:\\PROGRA~1\\OVEXDR~1\\S_MO~SIY.DLL";
  module_->longPaths[module_->path] = u"C:\\Program Files\\Ovex Driver\\s_morvanelv41.dll";
  EXPECT_EQ(GetModuleName(), u"s_morvanelv41");
  EXPECT_EQ(GetDefaultDataFolder(), u"C:\\ProgramData\\s_morvanelv41\\");
  EXPECT_FALSE(folders_->DirectoryExists(u"C:\\ProgramData\\S_MO~SIY\\"));
}

TEST_F(DataFoldersTest, SpecialFolderEndsWithADelimiter) {
  EXPECT_EQ(GetSpecialFolder(kFolderCommonAppData), u"C:\\ProgramData\\");
  folders_->special[kFolderCommonAppData] = u"D:\\Data\\";
  EXPECT_EQ(GetSpecialFolder(kFolderCommonAppData), u"D:\\Data\\");
}

TEST_F(DataFoldersTest, DriverObjectFallsBackToTheUsersFolder) {
  folders_->special.erase(kFolderCommonAppData);
  EXPECT_EQ(GetSpecialFolder(kFolderCommonAppData), u"C:\\Users\\kassir\\AppData\\Roaming\\");
  EXPECT_EQ(GetSpecialFolder(kFolderCommonAppData, SpecialFolderFallback::CommonAppData), u"");
}

TEST_F(DataFoldersTest, NoFolderAtAllIsAnErrorNotARelativePath) {
  folders_->special.clear();
  EXPECT_THROW(GetDefaultDataFolder(), Exception);
}

TEST_F(DataFoldersTest, AFailedGrantEndsTheOperation) {
  folders_->grantFails = true;
  EXPECT_THROW(GetDefaultDataFolder(), Exception);
}

TEST_F(DataFoldersTest, ModulePathAndVersionComeFromTheModule) {
  EXPECT_EQ(GetModulePath(), u"C:\\Program Files\\Ovex\\s_morvanelv41.dll");
  EXPECT_EQ(GetFileVersion(u""), (FileVersion{1, 1, 1, 2}));
  EXPECT_EQ(GetFileVersion(u"C:\\other.dll"), FileVersion{});
}

TEST_F(DataFoldersTest, LongPathsAreCutToThePathLimit) {
  module_->path = u"C:\\" + WideString(300, u'a') + u".dll";
  EXPECT_EQ(GetModulePath().size(), kMaxPathChars);
}

TEST(FileNameTest, DropsFolderAndExtension) {
  EXPECT_EQ(FileNameWithoutExtension(u"C:\\x\\s_morvanelv41.dll"), u"s_morvanelv41");
  EXPECT_EQ(FileNameWithoutExtension(u"/usr/lib/libdrv.so"), u"libdrv");
  EXPECT_EQ(FileNameWithoutExtension(u"plain"), u"plain");
}

}  // namespace
}  // namespace equ
