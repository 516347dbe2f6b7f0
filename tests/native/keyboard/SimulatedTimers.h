#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/OneShotTimer.h"

namespace equ::testing {

class SimulatedTimer;

// Milliseconds that pass only when a test says so. Timers due by then tick in the order of
// their deadlines, each with the clock standing at its deadline.
class SimulatedClock {
 public:
  std::uint64_t Now() const { return now_; }
  void AdvanceTo(std::uint64_t time);
  void AdvanceBy(std::uint64_t milliseconds) { AdvanceTo(now_ + milliseconds); }

 private:
  friend class SimulatedTimer;
  SimulatedTimer* NextDue(std::uint64_t time) const;

  std::uint64_t now_ = 0;
  std::vector<SimulatedTimer*> timers_;
};

class SimulatedTimer : public OneShotTimer {
 public:
  explicit SimulatedTimer(SimulatedClock& clock);
  ~SimulatedTimer() override;
  SimulatedTimer(const SimulatedTimer&) = delete;
  SimulatedTimer& operator=(const SimulatedTimer&) = delete;

  void SetTickHandler(TickHandler handler) override { handler_ = std::move(handler); }
  void SetInterval(std::uint32_t milliseconds) override { interval_ = milliseconds; }
  std::uint32_t Interval() const override { return interval_; }
  void Start() override;
  void Stop() override { running_ = false; }
  bool IsRunning() const override { return running_; }
  std::uint64_t Deadline() const { return deadline_; }
  int starts = 0;

 private:
  friend class SimulatedClock;
  void Tick();

  SimulatedClock& clock_;
  TickHandler handler_;
  std::uint32_t interval_ = 0;
  std::uint64_t deadline_ = 0;
  bool running_ = false;
};

}  // namespace equ::testing
