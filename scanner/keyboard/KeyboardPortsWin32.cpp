// The keyboard channel's ports in the Windows build.
#include <memory>

#include "platform/win32/WinKeyInjector.h"
#include "platform/win32/WinKeyTranslator.h"
#include "platform/win32/WinKeyboardHook.h"
#include "platform/win32/WinOneShotTimer.h"
#include "platform/win32/WinTextCase.h"
#include "platform/win32/WinXmlDocument.h"
#include "scanner/keyboard/KeyboardPorts.h"

namespace equ {

std::shared_ptr<const XmlDocument> CreateXmlDocument() {
  return std::make_shared<win32::WinXmlDocument>();
}

TKeyboardPorts CreateKeyboardPorts() {
  TKeyboardPorts ports;
  ports.hook = std::make_unique<win32::WinKeyboardHook>();
  ports.timer = std::make_unique<win32::WinOneShotTimer>();
  ports.translator = std::make_shared<win32::WinKeyTranslator>();
  ports.injector = std::make_shared<win32::WinKeyInjector>();
  ports.textCase = std::make_shared<win32::WinTextCase>();
  ports.xml = CreateXmlDocument();
  return ports;
}

}  // namespace equ
