#include "WinOneShotTimer.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace equ::win32 {

namespace {

// Thread timers carry no context: their ids lead back to the objects. The space is reserved
// once, so restarting a timer on every key costs no allocation.
struct TimerEntry {
  UINT_PTR id;
  WinOneShotTimer* timer;
};

std::vector<TimerEntry>& ThreadTimers() {
  thread_local std::vector<TimerEntry> timers = [] {
    std::vector<TimerEntry> reserved;
    reserved.reserve(16);
    return reserved;
  }();
  return timers;
}

WinOneShotTimer* FindTimer(UINT_PTR id) {
  for (const TimerEntry& entry : ThreadTimers()) {
    if (entry.id == id) return entry.timer;
  }
  return nullptr;
}

void ForgetTimer(UINT_PTR id) {
  auto& timers = ThreadTimers();
  timers.erase(std::remove_if(timers.begin(), timers.end(),
                              [id](const TimerEntry& entry) { return entry.id == id; }),
               timers.end());
}

}  // namespace

WinOneShotTimer::~WinOneShotTimer() {
  Stop();
}

void WinOneShotTimer::SetTickHandler(TickHandler handler) {
  handler_ = std::move(handler);
}

void WinOneShotTimer::Start() {
  Stop();
  id_ = SetTimer(nullptr, 0, interval_, &TimerProc);
  if (id_) ThreadTimers().push_back({id_, this});
}

void WinOneShotTimer::Stop() {
  if (!id_) return;
  KillTimer(nullptr, id_);
  ForgetTimer(id_);
  id_ = 0;
}

void CALLBACK WinOneShotTimer::TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
  WinOneShotTimer* timer = FindTimer(id);
  // A tick of a timer stopped in the meantime.
  if (!timer) return;
  timer->Stop();
  // A copy: the handler may destroy the timer while it runs.
  const TickHandler handler = timer->handler_;
  try {
    if (handler) handler();
  } catch (...) {
    // Nothing may escape into the message loop.
  }
}

}  // namespace equ::win32
