#pragma once

#include "platform/TextLogWindow.h"

namespace equ::posix {

// The native build has no desktop: a window that is shown is closed again at once.
class HeadlessTextLogWindows : public TextLogWindows {
 public:
  std::unique_ptr<TextLogWindow> Create(const TextLogWindowDesign& design) override;
};

}  // namespace equ::posix
