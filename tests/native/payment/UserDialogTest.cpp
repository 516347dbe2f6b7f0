#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>
#include <vector>

#include "equipment/common/a_vorn/UserDialog.h"
#include "equipment/common/a_vorn/VornDriver.h"
#include "platform/posix/PosixMessageWindow.h"

namespace equ::testing {
namespace {

class ScriptedViews : public UserDialogViews {
 public:
  int shows = 0;
  int refreshes = 0;
  int closes = 0;
  std::deque<bool> answers;
  std::vector<WideString> questions;

  std::unique_ptr<UserDialogWindow> Show(UserDialogModel&) override {
    ++shows;
    return std::make_unique<Window>(*this);
  }
  bool AskYesNo(const WideString& text, const WideString& caption) override {
    questions.push_back(text + u" | " + caption);
    const bool answer = !answers.empty() && answers.front();
    if (!answers.empty()) answers.pop_front();
    return answer;
  }

 private:
  class Window : public UserDialogWindow {
   public:
    explicit Window(ScriptedViews& owner) : owner_(owner) {}
    ~Window() override { ++owner_.closes; }
    void Refresh() override { ++owner_.refreshes; }

   private:
    ScriptedViews& owner_;
  };
};

class UserDialogTest : public ::testing::Test {
 protected:
  TUserDialogPorts Ports() { return TUserDialogPorts{views_, windows_}; }

  std::shared_ptr<ScriptedViews> views_ = std::make_shared<ScriptedViews>();
  std::shared_ptr<posix::PosixMessageWindows> windows_ =
      std::make_shared<posix::PosixMessageWindows>();
};

TEST_F(UserDialogTest, TheCountdownShowsNothingUntilTheFirstTickAndStopsAtZero) {
  TfmUserDialog dialog(Ports(), true, WideString(), 0, 3);
  EXPECT_EQ(views_->shows, 1);
  EXPECT_TRUE(dialog.TimerVisible());
  EXPECT_EQ(dialog.TimerCaption(), u"");
  EXPECT_EQ(dialog.InfoCaption(), u"Ожидание чтения QR-кода ...");
  std::vector<WideString> captions;
  for (int tick = 0; tick < 5; ++tick) {
    dialog.TimerTimer();
    captions.push_back(dialog.TimerCaption());
  }
  EXPECT_EQ(captions, (std::vector<WideString>{u"2", u"1", u"0", u"0", u"0"}));
  EXPECT_EQ(views_->refreshes, 5);
}

TEST_F(UserDialogTest, WithoutTheCountdownTheTextOfTheCallerShows) {
  TfmUserDialog dialog(Ports(), false, u"Ожидание оплаты счета...", 0, 30);
  EXPECT_FALSE(dialog.TimerVisible());
  EXPECT_EQ(dialog.InfoCaption(), u"Ожидание оплаты счета...");
}

TEST_F(UserDialogTest, ABlankTextKeepsTheDefault) {
  TfmUserDialog dialog(Ports(), false, u" \t ", 0, 30);
  EXPECT_EQ(dialog.InfoCaption(), u"Ожидание чтения QR-кода ...");
}

TEST_F(UserDialogTest, CancelConfirmedSendsTheEmptyCodeToTheWaitingWindowAndStaysOpen) {
  std::vector<WindowMessage> received;
  auto window = std::move(*windows_->Create([&](const WindowMessage& m) {
    received.push_back(m);
    return std::intptr_t{0};
  }));
  TfmUserDialog dialog(Ports(), true, WideString(), window->Handle(), 10);
  views_->answers = {false, true};
  dialog.btnCancelClick();
  EXPECT_TRUE(received.empty());
  dialog.btnCancelClick();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].message, kAcquiringMessage);
  EXPECT_EQ(received[0].wParam, 0u);
  EXPECT_EQ(received[0].lParam, 0);
  EXPECT_EQ(views_->questions,
            (std::vector<WideString>(2, u"Подтвердить отмену? | Подтверждение")));
  EXPECT_EQ(TfmUserDialog::Current(), &dialog);
  EXPECT_EQ(views_->closes, 0);
}

TEST_F(UserDialogTest, AtMostOneIsOpenInTheProcess) {
  {
    TfmUserDialog first(Ports(), false, WideString(), 0, 1);
    EXPECT_EQ(TfmUserDialog::Current(), &first);
    EXPECT_THROW(TfmUserDialog(Ports(), false, WideString(), 0, 1), std::logic_error);
    EXPECT_EQ(TfmUserDialog::Current(), &first);
  }
  EXPECT_EQ(TfmUserDialog::Current(), nullptr);
  EXPECT_EQ(views_->closes, 1);
}

}  // namespace
}  // namespace equ::testing
