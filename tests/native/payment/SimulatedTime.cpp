#include "SimulatedTime.h"

namespace equ::testing {

void SimulatedTime::At(std::uint64_t at, std::function<void()> action) {
  due_.emplace(at, std::move(action));
}

void SimulatedTime::AdvanceTo(std::uint64_t until, const std::function<bool()>& stop) {
  while (!due_.empty() && due_.begin()->first <= until) {
    auto next = due_.begin();
    now_ = std::max(now_, next->first);
    std::function<void()> action = std::move(next->second);
    due_.erase(next);
    action();
    if (stop()) return;
  }
  now_ = std::max(now_, until);
}

bool SimulatedMessageWindows::ServeMessagesUntil(const std::function<bool()>& done, int timeoutMs) {
  (void)real_.ServeMessagesUntil(done, 0);
  if (done() || timeoutMs <= 0) return done();
  time_.AdvanceTo(time_.NowMs() + static_cast<std::uint64_t>(timeoutMs), done);
  (void)real_.ServeMessagesUntil(done, 0);
  return done();
}

namespace {

class RecordedWindow : public UserDialogWindow {
 public:
  RecordedWindow(RecordingUserDialogs& owner, UserDialogModel& dialog, std::size_t index,
                 std::shared_ptr<bool> alive, const SimulatedTime& time)
      : owner_(owner), dialog_(dialog), index_(index), alive_(std::move(alive)), time_(time) {}
  ~RecordedWindow() override {
    *alive_ = false;
    owner_.shown[index_].closed = true;
    owner_.shown[index_].closedAt = time_.NowMs();
    if (owner_.open == &dialog_) owner_.open = nullptr;
  }
  void Refresh() override { owner_.shown[index_].timerCaptions.push_back(dialog_.TimerCaption()); }

 private:
  RecordingUserDialogs& owner_;
  UserDialogModel& dialog_;
  std::size_t index_;
  std::shared_ptr<bool> alive_;
  const SimulatedTime& time_;
};

}  // namespace

std::unique_ptr<UserDialogWindow> RecordingUserDialogs::Show(UserDialogModel& dialog) {
  Shown record;
  record.info = dialog.InfoCaption();
  record.timerVisible = dialog.TimerVisible();
  record.firstTimerCaption = dialog.TimerCaption();
  record.shownAt = time_.NowMs();
  shown.push_back(record);
  open = &dialog;
  auto alive = std::make_shared<bool>(true);
  TickEverySecond(shown.size() - 1, alive, time_.NowMs() + 1000);
  return std::make_unique<RecordedWindow>(*this, dialog, shown.size() - 1, alive, time_);
}

void RecordingUserDialogs::TickEverySecond(std::size_t index, std::shared_ptr<bool> alive,
                                           std::uint64_t at) {
  UserDialogModel* dialog = open;
  time_.At(at, [this, index, alive, at, dialog] {
    if (!*alive) return;
    dialog->TimerTimer();
    TickEverySecond(index, alive, at + 1000);
  });
}

bool RecordingUserDialogs::AskYesNo(const WideString& text, const WideString& caption) {
  questions.push_back(text + u" | " + caption);
  if (answers.empty()) return false;
  const bool answer = answers.front();
  answers.pop_front();
  return answer;
}

void RecordingUserDialogs::ClickCancelAt(std::uint64_t at) {
  time_.At(at, [this] {
    if (open != nullptr) open->btnCancelClick();
  });
}

}  // namespace equ::testing
