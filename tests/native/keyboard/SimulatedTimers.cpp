#include "SimulatedTimers.h"

#include <algorithm>

namespace equ::testing {

SimulatedTimer* SimulatedClock::NextDue(std::uint64_t time) const {
  SimulatedTimer* next = nullptr;
  for (SimulatedTimer* timer : timers_) {
    if (timer->running_ && timer->deadline_ <= time &&
        (!next || timer->deadline_ < next->deadline_)) {
      next = timer;
    }
  }
  return next;
}

void SimulatedClock::AdvanceTo(std::uint64_t time) {
  while (SimulatedTimer* timer = NextDue(time)) {
    now_ = std::max(now_, timer->deadline_);
    timer->Tick();
  }
  now_ = std::max(now_, time);
}

SimulatedTimer::SimulatedTimer(SimulatedClock& clock) : clock_(clock) {
  clock_.timers_.push_back(this);
}

SimulatedTimer::~SimulatedTimer() {
  auto& timers = clock_.timers_;
  timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
}

void SimulatedTimer::Start() {
  running_ = true;
  deadline_ = clock_.now_ + interval_;
  ++starts;
}

void SimulatedTimer::Tick() {
  running_ = false;
  // A copy: the handler may destroy this timer.
  const TickHandler handler = handler_;
  if (handler) handler();
}

}  // namespace equ::testing
