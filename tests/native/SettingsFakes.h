#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "FakePorts.h"
#include "equipment/common/CommonSettings.h"
#include "equipment/common/SettingsList.h"
#include "platform/SettingsDialogPorts.h"

namespace equ::testing {

// The desktop as a test sees it: every message shown, the cursor, the files that exist and
// what was opened.
class FakeDesktop : public DialogDesktop {
 public:
  struct Message {
    WideString text;
    WideString caption;
    TMessageIcon icon;
  };
  std::vector<Message> messages;
  std::vector<bool> cursor;
  std::set<WideString> files;
  std::vector<std::pair<WideString, TShowMode>> opened;
  std::optional<WideString> pickAnswer;
  std::vector<std::pair<WideString, WideString>> picks;
  std::vector<WideString> helpFiles;
  std::vector<THelpPopup> popups;

  void ShowMessage(const WideString& text, const WideString& caption, TMessageIcon icon) override {
    messages.push_back({text, caption, icon});
  }
  void SetBusyCursor(bool busy) override { cursor.push_back(busy); }
  bool FileExists(const WideString& path) const override { return files.count(path) != 0; }
  bool ShellOpen(const WideString& target, TShowMode mode) override {
    opened.emplace_back(target, mode);
    return true;
  }
  std::optional<WideString> PickFile(const WideString& folder, const WideString& filter) override {
    picks.emplace_back(folder, filter);
    return pickAnswer;
  }
  void ShowHelpFile(const WideString& file) override { helpFiles.push_back(file); }
  void ShowHelpPopup(const THelpPopup& popup) override { popups.push_back(popup); }
};

// Windows that play a script while "open": the dialog's script returns what the user pressed
// and is asked again while the dialog stays open; the list's script answers OK or not.
class ScriptedSettingsViews : public SettingsViews {
 public:
  std::function<TModalResult(TfrmCommonSettings&)> dialogScript;
  std::function<bool(TfrmSettingsList&)> listScript;
  int dialogShows = 0;
  int listShows = 0;

  bool ShowCommonSettings(TfrmCommonSettings& dialog) override {
    ++dialogShows;
    for (int round = 0; round < 10; ++round) {
      const TModalResult pressed = dialogScript ? dialogScript(dialog) : TModalResult::mrCancel;
      const TModalResult result = dialog.FormClose(pressed);
      if (result != TModalResult::mrNone) return result == TModalResult::mrOk;
    }
    return false;
  }
  bool ShowSettingsList(TfrmSettingsList& list) override {
    ++listShows;
    return listScript ? listScript(list) : false;
  }
};

struct SettingsPortsRig {
  std::shared_ptr<FakeDesktop> desktop = std::make_shared<FakeDesktop>();
  std::shared_ptr<ScriptedSettingsViews> views = std::make_shared<ScriptedSettingsViews>();
  std::shared_ptr<FakeModuleInfo> module = std::make_shared<FakeModuleInfo>();
  std::shared_ptr<FakeClock> clock =
      std::make_shared<FakeClock>(LocalDateTime{2026, 3, 7, 10, 20, 30, 0});
  std::shared_ptr<FakeFolders> folders = std::make_shared<FakeFolders>();

  TSettingsDialogPorts Ports() const { return {desktop, views, module, clock, folders}; }
};

}  // namespace equ::testing
