#pragma once

#include "WinCommonSettingsView.h"
#include "WinSettingsListView.h"
#include "platform/SettingsDialogPorts.h"

namespace equ::win32 {

// The settings windows of the Windows build, run modally on the calling thread.
class WinSettingsViews : public SettingsViews {
 public:
  bool ShowCommonSettings(TfrmCommonSettings& dialog) override {
    return ShowCommonSettingsWindow(dialog);
  }
  bool ShowSettingsList(TfrmSettingsList& list) override { return ShowSettingsListWindow(list); }
};

}  // namespace equ::win32
