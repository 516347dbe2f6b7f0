#pragma once

#include <utility>

#include "platform/OneShotTimer.h"

namespace equ::posix {

// The keyboard channel's timer in the POSIX build. There is no message loop to tick it, and
// without a keyboard hook no key ever starts it in earnest; it keeps its running flag and
// interval so the channel behaves consistently.
class PosixOneShotTimer : public OneShotTimer {
 public:
  void SetTickHandler(TickHandler handler) override { handler_ = std::move(handler); }
  void SetInterval(std::uint32_t milliseconds) override { interval_ = milliseconds; }
  std::uint32_t Interval() const override { return interval_; }
  void Start() override { running_ = true; }
  void Stop() override { running_ = false; }
  bool IsRunning() const override { return running_; }

 private:
  TickHandler handler_;
  std::uint32_t interval_ = 0;
  bool running_ = false;
};

}  // namespace equ::posix
