// The settings windows of the Windows build.
#include <memory>

#include "WinClock.h"
#include "WinCommonSettingsView.h"
#include "WinDialogDesktop.h"
#include "WinFolders.h"
#include "WinModuleInfo.h"
#include "WinSettingsListView.h"
#include "platform/SettingsDialogPorts.h"

namespace equ {

namespace {

class WinSettingsViews : public SettingsViews {
 public:
  bool ShowCommonSettings(TfrmCommonSettings& dialog) override {
    return win32::ShowCommonSettingsWindow(dialog);
  }
  bool ShowSettingsList(TfrmSettingsList& list) override {
    return win32::ShowSettingsListWindow(list);
  }
};

}  // namespace

TSettingsDialogPorts CreateSettingsDialogPorts() {
  return TSettingsDialogPorts{
      .desktop = std::make_shared<win32::WinDialogDesktop>(),
      .views = std::make_shared<WinSettingsViews>(),
      .module = std::make_shared<win32::WinModuleInfo>(),
      .clock = std::make_shared<win32::WinClock>(),
      .folders = std::make_shared<win32::WinFolders>(),
  };
}

}  // namespace equ
