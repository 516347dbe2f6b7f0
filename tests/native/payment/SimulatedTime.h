#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "equipment/common/a_vorn/UserDialog.h"
#include "platform/MessageWindow.h"
#include "platform/TickClock.h"
#include "platform/posix/PosixMessageWindow.h"

namespace equ::testing {

// A tick clock that moves only when a wait lets it, running what a test scheduled for the
// moments it passes (a scan, a click, the service marking an invoice paid).
class SimulatedTime : public TickClock {
 public:
  std::uint64_t NowMs() const override { return now_; }
  void At(std::uint64_t at, std::function<void()> action);
  // Moves to `until`, running the actions due on the way in their order; stops at an action's
  // moment when stop() answers true after it.
  void AdvanceTo(std::uint64_t until, const std::function<bool()>& stop);

 private:
  std::uint64_t now_ = 0;
  std::multimap<std::uint64_t, std::function<void()>> due_;
};

// The POSIX message windows, with the waiting done in simulated time: a wait first serves the
// messages already there, then moves the clock instead of sleeping.
class SimulatedMessageWindows : public MessageWindows {
 public:
  explicit SimulatedMessageWindows(SimulatedTime& time) : time_(time) {}
  WindowResult Create(MessageWindow::Procedure procedure) override {
    return real_.Create(std::move(procedure));
  }
  bool ServeMessagesUntil(const std::function<bool()>& done, int timeoutMs) override;
  std::optional<std::intptr_t> SendToWindow(std::uintptr_t handle,
                                            const WindowMessage& message) override {
    return real_.SendToWindow(handle, message);
  }

 private:
  SimulatedTime& time_;
  posix::PosixMessageWindows real_;
};

// The waiting dialog's windows as a test sees them: what each showed, a one-second timer in
// simulated time while it is open, and scripted answers to the confirmation (No when none
// is left).
class RecordingUserDialogs : public UserDialogViews {
 public:
  struct Shown {
    WideString info;
    bool timerVisible = false;
    WideString firstTimerCaption;
    std::vector<WideString> timerCaptions;  // after each tick
    std::uint64_t shownAt = 0;
    std::uint64_t closedAt = 0;
    bool closed = false;
  };

  explicit RecordingUserDialogs(SimulatedTime& time) : time_(time) {}

  std::unique_ptr<UserDialogWindow> Show(UserDialogModel& dialog) override;
  bool AskYesNo(const WideString& text, const WideString& caption) override;

  // Presses "Отмена" of the open dialog at a moment of simulated time.
  void ClickCancelAt(std::uint64_t at);

  std::vector<Shown> shown;
  std::deque<bool> answers;
  std::vector<WideString> questions;
  UserDialogModel* open = nullptr;

 private:
  void TickEverySecond(std::size_t index, std::shared_ptr<bool> alive, std::uint64_t at);

  SimulatedTime& time_;
};

}  // namespace equ::testing
