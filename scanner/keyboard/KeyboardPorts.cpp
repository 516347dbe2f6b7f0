#include "scanner/keyboard/KeyboardPorts.h"

#include "platform/PlatformPorts.h"

namespace equ {

TKeyboardPorts KeyboardPortsOf(const PlatformPorts& platform) {
  return TKeyboardPorts{platform.keyboardThreads, platform.keyTranslator,
                        platform.textCase,        platform.xml,
                        platform.codePage,        platform.messageWindows};
}

}  // namespace equ
