#pragma once

#include <cstdint>
#include <functional>

namespace equ {

// A restartable one-shot timer that ticks on the thread that created it, through that thread's
// message loop. Start counts the full interval from the moment it is called; after its tick
// the timer is no longer running.
class OneShotTimer {
 public:
  using TickHandler = std::function<void()>;
  virtual ~OneShotTimer() = default;
  virtual void SetTickHandler(TickHandler handler) = 0;
  virtual void SetInterval(std::uint32_t milliseconds) = 0;
  virtual std::uint32_t Interval() const = 0;
  virtual void Start() = 0;
  virtual void Stop() = 0;
  virtual bool IsRunning() const = 0;
};

}  // namespace equ
