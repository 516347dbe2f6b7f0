#pragma once

#include <memory>

#include "TraceWriter.h"

namespace equ {

// The daily call-trace file "<folder>Debug_yyyy.mm.dd.log": the object's trace folder when it
// exists, else the driver's default data folder, worked out for every line. Lines are in the
// ANSI code page, end with CR LF and are on disk when WriteLine returns. A line that cannot be
// written raises the platform's error.
class DailyTraceFile : public TraceWriter {
 public:
  void WriteLine(const TraceLine& line) override;

  // The text of a line without its line end.
  static WideString FormatLine(const TraceLine& line);
};

}  // namespace equ
