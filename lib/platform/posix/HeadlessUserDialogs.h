#pragma once

#include <memory>

#include "platform/UserDialogViews.h"

namespace equ::posix {

// Without a desktop the waiting dialog shows nothing and nobody can press "Отмена"; the waits
// end by a scanned code, a paid invoice or their time-outs.
class HeadlessUserDialogs : public UserDialogViews {
 public:
  std::unique_ptr<UserDialogWindow> Show(UserDialogModel&) override {
    return std::make_unique<NoWindow>();
  }
  bool AskYesNo(const WideString&, const WideString&) override { return false; }

 private:
  class NoWindow : public UserDialogWindow {
   public:
    void Refresh() override {}
  };
};

}  // namespace equ::posix
