#pragma once

// The settings windows of the POSIX build, which has no desktop: every window closes at once
// as with its close box, and the desktop's services do nothing.
#include <filesystem>
#include <optional>

#include "equipment/common/CommonSettings.h"
#include "platform/SettingsDialogPorts.h"

namespace equ::posix {

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

}  // namespace equ::posix
