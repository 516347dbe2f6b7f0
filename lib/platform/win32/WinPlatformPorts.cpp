#include <memory>

#include "WinClock.h"
#include "WinCodePage.h"
#include "WinDialogDesktop.h"
#include "WinFolders.h"
#include "WinGuidSource.h"
#include "WinKeyInjector.h"
#include "WinKeyTranslator.h"
#include "WinKeyboardHook.h"
#include "WinKeyboardThread.h"
#include "WinLogFiles.h"
#include "WinMessageWindow.h"
#include "WinModuleInfo.h"
#include "WinNamedMutexes.h"
#include "WinOneShotTimer.h"
#include "WinProcessHeap.h"
#include "WinSerialPort.h"
#include "WinSettingsViews.h"
#include "WinSharedMemory.h"
#include "WinStreamSocket.h"
#include "WinSystemInfo.h"
#include "WinTextCase.h"
#include "WinTextLogWindows.h"
#include "WinTickClock.h"
#include "WinUserDialogView.h"
#include "WinUserLocale.h"
#include "WinWindowFocus.h"
#include "WinXmlDocument.h"
#include "equipment/common/CallTrace.h"
#include "platform/KeyboardThreadPorts.h"
#include "platform/PlatformPorts.h"

namespace equ {

namespace win32 {
namespace {

// The low-level hook, the thread timers and keybd_event all belong to the thread that makes
// them: the keyboard channel makes them on a thread of its own, so that a busy host thread
// never keeps the system waiting for the hook.
class WinKeyboardThreads : public KeyboardThreads {
 public:
  KeyboardThreadPorts CreateForThisThread() override {
    KeyboardThreadPorts ports;
    ports.hook = std::make_unique<WinKeyboardHook>();
    ports.timer = std::make_unique<WinOneShotTimer>();
    ports.injector = std::make_unique<WinKeyInjector>();
    ports.checkTimer = std::make_unique<WinOneShotTimer>();
    return ports;
  }
  PortResult<std::unique_ptr<KeyboardThread>> StartThread() override {
    return WinKeyboardThread::Start();
  }
};

}  // namespace
}  // namespace win32

PlatformPorts CreateDefaultPlatformPorts() {
  return PlatformPorts{
      .locale = std::make_shared<win32::WinUserLocale>(),
      .module = std::make_shared<win32::WinModuleInfo>(),
      .folders = std::make_shared<win32::WinFolders>(),
      .guids = std::make_shared<win32::WinGuidSource>(),
      .clock = std::make_shared<win32::WinClock>(),
      .codePage = std::make_shared<win32::WinCodePage>(),
      .logFiles = std::make_shared<win32::WinLogFiles>(),
      .system = std::make_shared<win32::WinSystemInfo>(),
      .windowFocus = std::make_shared<win32::WinWindowFocus>(),
      .messageWindows = std::make_shared<win32::WinMessageWindows>(),
      .mutexes = std::make_shared<win32::WinNamedMutexes>(),
      .sharedMemory = std::make_shared<win32::WinSharedMemory>(),
      .processHeap = std::make_shared<win32::WinProcessHeap>(),
      .textLogWindows = std::make_shared<win32::WinTextLogWindows>(),
      .xml = std::make_shared<win32::WinXmlDocument>(),
      .textCase = std::make_shared<win32::WinTextCase>(),
      .keyTranslator = std::make_shared<win32::WinKeyTranslator>(),
      .keyboardThreads = std::make_shared<win32::WinKeyboardThreads>(),
      .serialPorts = std::make_shared<win32::WinSerialPorts>(),
      .callTrace = std::make_shared<DailyTraceFile>(),
      .dialogDesktop = std::make_shared<win32::WinDialogDesktop>(),
      .settingsViews = std::make_shared<win32::WinSettingsViews>(),
      .ticks = std::make_shared<win32::WinTickClock>(),
      .userDialogs = std::make_shared<win32::WinUserDialogViews>(),
      .streamSockets = std::make_shared<win32::WinStreamSockets>(),
  };
}

}  // namespace equ
