#include "LogTimeStamp.h"

#include <cstdio>

#include "platform/PlatformPorts.h"
#include "platform/UserLocale.h"

namespace equ {

namespace {

WideString Digits(int value, int width) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
  return Utf8ToWide(buffer);
}

}  // namespace

WideString LogFileDate(const LocalDateTime& time) {
  return Digits(time.year, 4) + u"." + Digits(time.month, 2) + u"." + Digits(time.day, 2);
}

WideString LogLineTimeStamp(const LocalDateTime& time) {
  const char16_t separator = Platform().locale->TimeSeparator();
  return LogFileDate(time) + u" " + Digits(time.hour, 2) + separator + Digits(time.minute, 2) +
         separator + Digits(time.second, 2) + u"." + Digits(time.millisecond, 3);
}

}  // namespace equ
