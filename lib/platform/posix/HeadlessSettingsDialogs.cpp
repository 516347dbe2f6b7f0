// The settings windows of the POSIX build, which has no desktop: every window closes at once
// as with its close box, and the desktop's services do nothing.
#include <filesystem>
#include <memory>

#include "PosixClock.h"
#include "PosixFolders.h"
#include "PosixModuleInfo.h"
#include "equipment/common/CommonSettings.h"
#include "platform/SettingsDialogPorts.h"

namespace equ {

namespace {

class HeadlessDesktop : public DialogDesktop {
 public:
  void ShowMessage(const WideString&, const WideString&, TMessageIcon) override {}
  void SetBusyCursor(bool) override {}
  bool FileExists(const WideString& path) const override {
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::path(WideToUtf8(path)), error);
  }
  bool ShellOpen(const WideString&, TShowMode) override { return false; }
  std::optional<WideString> PickFile(const WideString&, const WideString&) override {
    return std::nullopt;
  }
  void ShowHelpFile(const WideString&) override {}
  void ShowHelpPopup(const THelpPopup&) override {}
};

class HeadlessSettingsViews : public SettingsViews {
 public:
  bool ShowCommonSettings(TfrmCommonSettings& dialog) override {
    return dialog.FormClose(TModalResult::mrCancel) == TModalResult::mrOk;
  }
  bool ShowSettingsList(TfrmSettingsList&) override { return false; }
};

}  // namespace

TSettingsDialogPorts CreateSettingsDialogPorts() {
  return TSettingsDialogPorts{
      .desktop = std::make_shared<HeadlessDesktop>(),
      .views = std::make_shared<HeadlessSettingsViews>(),
      .module = std::make_shared<PosixModuleInfo>(),
      .clock = std::make_shared<PosixClock>(),
      .folders = std::make_shared<PosixFolders>(),
  };
}

}  // namespace equ
