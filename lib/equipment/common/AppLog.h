#pragma once

#include <cstdint>

#include "WideString.h"

namespace equ {

// Levels of the application log.
inline constexpr std::uint8_t kLogInfo = 0;
inline constexpr std::uint8_t kLogDebug = 1;
inline constexpr std::uint8_t kLogError = 2;

// Modes: 0 off, 1 errors only, 2 information and errors, 3 everything; any other value is off.
inline constexpr std::uint8_t kLogModeOff = 0;
inline constexpr std::uint8_t kLogModeErrors = 1;
inline constexpr std::uint8_t kLogModeInfo = 2;
inline constexpr std::uint8_t kLogModeAll = 3;

// The process-wide application log: one daily UTF-8 file in the module-named folder below the
// common application-data folder. Any thread may write; a line is never split by another.
// AppLog never throws: a line that cannot be written is lost.
void AppLog(const WideString& source, const WideString& text, std::uint8_t level);

// Switching the log off writes the stop banner when a start banner was written.
void SetLogMode(std::uint8_t mode);
std::uint8_t LogMode();

// Time stamp, level, source and (when not empty) ": \t" and the text; source and text are
// trimmed of blanks and control characters.
WideString FormatAppLogLine(const WideString& source, const WideString& text, std::uint8_t level);

// Writes the stop banner if the log is on and has started; the module calls it at unload.
void AppLogModuleUnload();

}  // namespace equ
