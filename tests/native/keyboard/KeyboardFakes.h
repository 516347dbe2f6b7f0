#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/KeyInjector.h"
#include "platform/KeyboardHook.h"

namespace equ::testing {

// Stands in for the desktop's keyboard hook: a test sends events through it as the system
// would, and learns whether the channel swallowed them.
class FakeKeyboardHook : public KeyboardHook {
 public:
  bool refuse = false;
  int installs = 0;
  int removals = 0;

  PortStatus Install(Handler handler) override {
    if (refuse) return PortFailure(u"Перехват отклонён");
    handler_ = std::move(handler);
    ++installs;
    return {};
  }
  void Remove() override {
    handler_ = nullptr;
    ++removals;
  }
  bool IsInstalled() const override { return static_cast<bool>(handler_); }
  // True: swallowed. Without a hook every event passes.
  bool Send(std::uint32_t message, const RawKeyEvent& event) {
    const Handler handler = handler_;
    return handler ? handler(message, event) : false;
  }

 private:
  Handler handler_;
};

// Records every key put back into the input stream, in order.
class RecordingKeyInjector : public KeyInjector {
 public:
  std::vector<KeyStroke> injected;
  std::function<void(const KeyStroke&)> onInject;
  void Inject(const KeyStroke& stroke) override {
    injected.push_back(stroke);
    if (onInject) onInject(stroke);
  }
};

}  // namespace equ::testing
