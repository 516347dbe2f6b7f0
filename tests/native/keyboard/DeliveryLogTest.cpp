// The application-log line of each delivery.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "KeyboardRig.h"
#include "equipment/common/AppLog.h"
#include "platform/Folders.h"
#include "platform/LogFiles.h"
#include "platform/ModuleInfo.h"
#include "platform/PlatformPorts.h"

namespace equ::testing {
namespace {

class MemoryLogFiles : public LogFiles {
 public:
  mutable std::string written;
  PortStatus Append(const WideString&, std::string_view bytes, bool) const override {
    written.append(bytes);
    return {};
  }
};

class FixedFolders : public Folders {
 public:
  PortResult<WideString> SpecialFolder(int) const override { return u"C:\\ProgramData"; }
  bool DirectoryExists(const WideString&) const override { return true; }
  bool ForceDirectories(const WideString&) const override { return true; }
  PortStatus GrantEveryoneAccess(const WideString&) const override { return {}; }
  char16_t PathDelimiter() const override { return u'\\'; }
};

class FixedModule : public ModuleInfo {
 public:
  WideString ModulePath() const override { return u"C:\\Ovex\\s_morvanelv41.dll"; }
  WideString LongPath(const WideString& path) const override { return path; }
  FileVersion GetFileVersion(const WideString&) const override { return {1, 1, 1, 2}; }
};

class DeliveryLog : public ::testing::Test {
 protected:
  void SetUp() override { SetLogMode(kLogModeAll); }
  void TearDown() override { SetLogMode(kLogModeOff); }

  std::shared_ptr<MemoryLogFiles> files = std::make_shared<MemoryLogFiles>();
  ScopedPlatformPorts ports{[this] {
    PlatformPorts replacement;
    replacement.logFiles = files;
    replacement.folders = std::make_shared<FixedFolders>();
    replacement.module = std::make_shared<FixedModule>();
    return replacement;
  }()};
};

TEST_F(DeliveryLog, CarriesTheBarcodeAndTheRawData) {
  KeyboardRig rig;
  rig.Run(TypeText(u"12345\r", 0, 10));
  EXPECT_EQ(files->written.find("ReadData"), std::string::npos);  // nothing before delivery
  rig.Wait(100);
  ASSERT_EQ(rig.deliveries.size(), 1u);
  // The raw data's trailing CR is trimmed like any control character at the end of a line.
  EXPECT_NE(files->written.find("\tDEBUG\tTScannerKeyboard.ReadData: \tScannerData=12345 "
                                "RawData=12345\r\n"),
            std::string::npos)
      << files->written;
}

TEST_F(DeliveryLog, HookTakenAwayBySystemIsLoggedAsAnError) {
  KeyboardRig rig;
  rig.hook->RemoveBySystem();
  rig.Wait(TScannerKeyboard::kHookCheckIntervalMs + 10);
  EXPECT_NE(
      files->written.find("\tERROR\tTScannerKeyboard.CheckHook: \tПерехват клавиатуры был снят "
                          "системой"),
      std::string::npos)
      << files->written;
}

}  // namespace
}  // namespace equ::testing
