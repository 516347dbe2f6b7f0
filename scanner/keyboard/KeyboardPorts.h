#pragma once

#include <memory>

#include "platform/CodePage.h"
#include "platform/KeyTranslator.h"
#include "platform/KeyboardThreadPorts.h"
#include "platform/MessageWindow.h"
#include "platform/TextCase.h"
#include "platform/XmlDocument.h"

namespace equ {

struct PlatformPorts;

// Everything the keyboard channel uses of the platform, all required: the channel refuses to
// start without one (std::logic_error naming it), so a half-faked test never meets a real
// keyboard hook.
//
// `threads` makes the hook, the timer and the injector on the thread that will use them (they
// belong to that thread); the others may be shared between threads. `hostWindows` makes the
// hidden window of the host thread through which a thread of the channel's own hands barcodes
// to the host.
struct TKeyboardPorts {
  std::shared_ptr<KeyboardThreads> threads;
  std::shared_ptr<const KeyTranslator> translator;
  std::shared_ptr<const TextCase> textCase;
  std::shared_ptr<const XmlDocument> xml;
  std::shared_ptr<const CodePage> codePage;
  std::shared_ptr<MessageWindows> hostWindows;
};

// The channel's ports taken from the platform's.
TKeyboardPorts KeyboardPortsOf(const PlatformPorts& platform);

}  // namespace equ
