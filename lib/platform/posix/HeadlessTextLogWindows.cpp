#include "HeadlessTextLogWindows.h"

namespace equ::posix {

namespace {

class HeadlessTextLogWindow : public TextLogWindow {
 public:
  void SetText(const WideString&) override {}
  void ShowModal(Events events) override {
    if (events.onClose) events.onClose();
  }
};

}  // namespace

std::unique_ptr<TextLogWindow> HeadlessTextLogWindows::Create(const TextLogWindowDesign&) {
  return std::make_unique<HeadlessTextLogWindow>();
}

}  // namespace equ::posix
