// The keyboard channel's ports in the POSIX build.
#include <memory>

#include "platform/posix/LibXmlDocument.h"
#include "platform/posix/PosixKeyInjector.h"
#include "platform/posix/PosixKeyboardHook.h"
#include "platform/posix/PosixOneShotTimer.h"
#include "platform/posix/PosixTextCase.h"
#include "platform/posix/TableKeyTranslator.h"
#include "scanner/keyboard/KeyboardPorts.h"

namespace equ {

std::shared_ptr<const XmlDocument> CreateXmlDocument() {
  return std::make_shared<posix::LibXmlDocument>();
}

TKeyboardPorts CreateKeyboardPorts() {
  TKeyboardPorts ports;
  ports.hook = std::make_unique<posix::PosixKeyboardHook>();
  ports.timer = std::make_unique<posix::PosixOneShotTimer>();
  ports.translator = std::make_shared<posix::TableKeyTranslator>();
  ports.injector = std::make_shared<posix::PosixKeyInjector>();
  ports.textCase = std::make_shared<posix::PosixTextCase>();
  ports.xml = CreateXmlDocument();
  return ports;
}

}  // namespace equ
