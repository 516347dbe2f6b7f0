#pragma once

#include "platform/TextLogWindow.h"

namespace equ::win32 {

// Text-log windows as real top-level windows of the calling thread, with a modal message loop.
class WinTextLogWindows : public TextLogWindows {
 public:
  std::unique_ptr<TextLogWindow> Create(const TextLogWindowDesign& design) override;
};

}  // namespace equ::win32
