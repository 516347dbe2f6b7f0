#pragma once

#include <memory>

#include "platform/KeyInjector.h"
#include "platform/KeyTranslator.h"
#include "platform/KeyboardHook.h"
#include "platform/OneShotTimer.h"
#include "platform/TextCase.h"
#include "platform/XmlDocument.h"

namespace equ {

// What the keyboard channel needs of the platform. The hook and the timer belong to one
// channel; the others may be shared.
struct TKeyboardPorts {
  std::unique_ptr<KeyboardHook> hook;
  std::unique_ptr<OneShotTimer> timer;
  std::shared_ptr<const KeyTranslator> translator;
  std::shared_ptr<KeyInjector> injector;
  std::shared_ptr<const TextCase> textCase;
  std::shared_ptr<const XmlDocument> xml;
};

// The adapters of the running platform. On Windows: the low-level keyboard hook, ToAsciiEx,
// keybd_event, a thread timer and MSXML; in the POSIX build, which has no desktop keyboard,
// a hook that never installs, a table translator (US and Russian layouts) and libxml2.
TKeyboardPorts CreateKeyboardPorts();

// The platform's XML service alone, for lists of definitions outside a channel.
std::shared_ptr<const XmlDocument> CreateXmlDocument();

}  // namespace equ
