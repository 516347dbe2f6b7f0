#include "WinClock.h"

#include <windows.h>

namespace equ::win32 {

LocalDateTime WinClock::Now() const {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return LocalDateTime{now.wYear, now.wMonth,  now.wDay,         now.wHour,
                       now.wMinute, now.wSecond, now.wMilliseconds};
}

}  // namespace equ::win32
