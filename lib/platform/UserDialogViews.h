#pragma once

#include <memory>

#include "equipment/common/WideString.h"

namespace equ {

// What a window of the waiting dialog shows and where it sends the user's actions
// (TfmUserDialog).
class UserDialogModel {
 public:
  virtual const WideString& InfoCaption() const = 0;
  virtual const WideString& TimerCaption() const = 0;
  virtual bool TimerVisible() const = 0;
  virtual void TimerTimer() = 0;
  virtual void btnCancelClick() = 0;

 protected:
  ~UserDialogModel() = default;
};

// The window of a shown waiting dialog; it and its shadow go with the object.
class UserDialogWindow {
 public:
  virtual ~UserDialogWindow() = default;
  // Shows the dialog's texts again after the model changed them.
  virtual void Refresh() = 0;
};

// The windows of the waiting dialog.
class UserDialogViews {
 public:
  virtual ~UserDialogViews() = default;
  // Shows the dialog at once (always on top, without a taskbar button, with its shadow). While
  // the calling thread handles its messages, the window calls dialog.TimerTimer() every second
  // and dialog.btnCancelClick() when "Отмена" is pressed.
  virtual std::unique_ptr<UserDialogWindow> Show(UserDialogModel& dialog) = 0;
  // A question with the information icon and the buttons Yes and No; true for Yes.
  virtual bool AskYesNo(const WideString& text, const WideString& caption) = 0;
};

}  // namespace equ
