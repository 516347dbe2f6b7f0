#pragma once

#include "platform/UserDialogViews.h"

namespace equ::win32 {

// The waiting dialog as a borderless, always-on-top layered window (opacity 240) with a
// raised bevel, the text, the countdown and "Отмена", its one-second timer, and a black
// shadow window (opacity 38) behind it; neither has a taskbar button.
class WinUserDialogViews : public UserDialogViews {
 public:
  std::unique_ptr<UserDialogWindow> Show(UserDialogModel& dialog) override;
  bool AskYesNo(const WideString& text, const WideString& caption) override;
};

}  // namespace equ::win32
