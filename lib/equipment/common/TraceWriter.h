#pragma once

#include "WideString.h"

namespace equ {

// One call-trace line as the driver object hands it to the writer.
struct TraceLine {
  WideString instanceId;   // the object's GUID text, so lines of several objects can be told apart
  WideString debugLogDir;  // the object's trace folder (may be empty or missing)
  WideString name;
  WideString text;
  bool noText = false;  // the name alone (header lines)
};

// Where the driver object's call-trace lines go. The object decides whether the trace is on
// and what each line says; the writer lays the line out and stores it, and may raise when it
// cannot.
class TraceWriter {
 public:
  virtual ~TraceWriter() = default;
  virtual void WriteLine(const TraceLine& line) = 0;
};

}  // namespace equ
