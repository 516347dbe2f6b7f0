#pragma once

#include <functional>
#include <memory>

#include "equipment/common/WideString.h"

namespace equ {

// How a text-log window looks: a caption, a fixed client area, a multi-line text filling it
// above a bottom panel, and a clear button at the panel's right.
struct TextLogWindowDesign {
  WideString caption;
  int clientWidth = 0;
  int clientHeight = 0;
  int panelHeight = 0;
  WideString clearCaption;
  int buttonWidth = 0;
  int buttonHeight = 0;
};

// A modal window that shows lines of text.
class TextLogWindow {
 public:
  struct Events {
    std::function<void()> onClear;
    std::function<void()> onClose;
  };
  virtual ~TextLogWindow() = default;
  virtual void SetText(const WideString& text) = 0;
  // Shows the window and serves the thread's messages until the user closes it. A request to
  // end the thread's message loop (WM_QUIT) closes the window the same way (onClose) and is
  // then passed on to the loop that called.
  virtual void ShowModal(Events events) = 0;
};

class TextLogWindows {
 public:
  virtual ~TextLogWindows() = default;
  virtual std::unique_ptr<TextLogWindow> Create(const TextLogWindowDesign& design) = 0;
};

}  // namespace equ
