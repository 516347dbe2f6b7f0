#include <memory>

#include "HeadlessSettingsDialogs.h"
#include "HeadlessTextLogWindows.h"
#include "HeadlessUserDialogs.h"
#include "IconvCodePage.h"
#include "LibXmlDocument.h"
#include "PosixClock.h"
#include "PosixFolders.h"
#include "PosixGuidSource.h"
#include "PosixKeyInjector.h"
#include "PosixKeyboardHook.h"
#include "PosixLogFiles.h"
#include "PosixMessageWindow.h"
#include "PosixModuleInfo.h"
#include "PosixNamedMutexes.h"
#include "PosixOneShotTimer.h"
#include "PosixProcessHeap.h"
#include "PosixSerialPort.h"
#include "PosixSharedMemory.h"
#include "PosixStreamSocket.h"
#include "PosixSystemInfo.h"
#include "PosixTextCase.h"
#include "PosixTickClock.h"
#include "PosixUserLocale.h"
#include "PosixWindowFocus.h"
#include "TableKeyTranslator.h"
#include "equipment/common/CallTrace.h"
#include "platform/KeyboardThreadPorts.h"
#include "platform/PlatformPorts.h"

namespace equ {

namespace posix {
namespace {

// Without a desktop keyboard no key ever arrives, so the channel's work needs no thread of its
// own: it runs on the caller's.
class PosixKeyboardThread : public KeyboardThread {
 public:
  void Call(const std::function<void()>& work) override { work(); }
};

// Without a desktop keyboard: a hook that nothing calls, timers nothing ticks, an injector that
// drops what it is given.
class PosixKeyboardThreads : public KeyboardThreads {
 public:
  KeyboardThreadPorts CreateForThisThread() override {
    KeyboardThreadPorts ports;
    ports.hook = std::make_unique<PosixKeyboardHook>();
    ports.timer = std::make_unique<PosixOneShotTimer>();
    ports.injector = std::make_unique<PosixKeyInjector>();
    ports.checkTimer = std::make_unique<PosixOneShotTimer>();
    return ports;
  }
  PortResult<std::unique_ptr<KeyboardThread>> StartThread() override {
    return std::unique_ptr<KeyboardThread>(std::make_unique<PosixKeyboardThread>());
  }
};

}  // namespace
}  // namespace posix

PlatformPorts CreateDefaultPlatformPorts() {
  return PlatformPorts{
      .locale = std::make_shared<posix::PosixUserLocale>(),
      .module = std::make_shared<posix::PosixModuleInfo>(),
      .folders = std::make_shared<posix::PosixFolders>(),
      .guids = std::make_shared<posix::PosixGuidSource>(),
      .clock = std::make_shared<posix::PosixClock>(),
      .codePage = std::make_shared<posix::IconvCodePage>(),
      .logFiles = std::make_shared<posix::PosixLogFiles>(),
      .system = std::make_shared<posix::PosixSystemInfo>(),
      .windowFocus = std::make_shared<posix::PosixWindowFocus>(),
      .messageWindows = std::make_shared<posix::PosixMessageWindows>(),
      .mutexes = std::make_shared<posix::PosixNamedMutexes>(),
      .sharedMemory = std::make_shared<posix::PosixSharedMemory>(),
      .processHeap = std::make_shared<posix::PosixProcessHeap>(),
      .textLogWindows = std::make_shared<posix::HeadlessTextLogWindows>(),
      .xml = std::make_shared<posix::LibXmlDocument>(),
      .textCase = std::make_shared<posix::PosixTextCase>(),
      .keyTranslator = std::make_shared<posix::TableKeyTranslator>(),
      .keyboardThreads = std::make_shared<posix::PosixKeyboardThreads>(),
      .serialPorts = std::make_shared<posix::PosixSerialPorts>(),
      .callTrace = std::make_shared<DailyTraceFile>(),
      .dialogDesktop = std::make_shared<posix::HeadlessDesktop>(),
      .settingsViews = std::make_shared<posix::HeadlessSettingsViews>(),
      .ticks = std::make_shared<posix::PosixTickClock>(),
      .userDialogs = std::make_shared<posix::HeadlessUserDialogs>(),
      .streamSockets = std::make_shared<posix::PosixStreamSockets>(),
  };
}

}  // namespace equ
