#pragma once

#include <windows.h>

#include "platform/OneShotTimer.h"

namespace equ::win32 {

// A one-shot thread timer (SetTimer without a window): its tick arrives through the creating
// thread's message loop. Stopped with the object.
class WinOneShotTimer : public OneShotTimer {
 public:
  WinOneShotTimer() = default;
  ~WinOneShotTimer() override;
  WinOneShotTimer(const WinOneShotTimer&) = delete;
  WinOneShotTimer& operator=(const WinOneShotTimer&) = delete;

  void SetTickHandler(TickHandler handler) override;
  void SetInterval(std::uint32_t milliseconds) override { interval_ = milliseconds; }
  std::uint32_t Interval() const override { return interval_; }
  void Start() override;
  void Stop() override;
  bool IsRunning() const override { return id_ != 0; }

 private:
  static void CALLBACK TimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);

  TickHandler handler_;
  std::uint32_t interval_ = 0;
  UINT_PTR id_ = 0;
};

}  // namespace equ::win32
