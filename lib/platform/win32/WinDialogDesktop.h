#pragma once

#include "platform/SettingsDialogPorts.h"

namespace equ::win32 {

// Message boxes over the active window, the wait cursor, the shell's open, the file-open
// dialog and HTML Help, loaded when first asked for (no viewer: no help).
class WinDialogDesktop : public DialogDesktop {
 public:
  void ShowMessage(const WideString& text, const WideString& caption, TMessageIcon icon) override;
  void SetBusyCursor(bool busy) override;
  bool FileExists(const WideString& path) const override;
  bool ShellOpen(const WideString& target, TShowMode mode) override;
  std::optional<WideString> PickFile(const WideString& folder, const WideString& filter) override;
  void ShowHelpFile(const WideString& helpFile) override;
  void ShowHelpPopup(const THelpPopup& popup) override;
};

}  // namespace equ::win32
