#pragma once

#include "WideString.h"
#include "platform/Clock.h"

namespace equ {

// "yyyy.mm.dd hh:nn:ss.zzz", the colons being the locale's time separator: the stamp that
// begins every line of both logs.
WideString LogLineTimeStamp(const LocalDateTime& time);

// "yyyy.mm.dd": the date in the names of the daily log files.
WideString LogFileDate(const LocalDateTime& time);

}  // namespace equ
