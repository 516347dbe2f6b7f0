#include <memory>

#include "WinClock.h"
#include "WinCodePage.h"
#include "WinFolders.h"
#include "WinGuidSource.h"
#include "WinLogFiles.h"
#include "WinMessageWindow.h"
#include "WinModuleInfo.h"
#include "WinNamedMutexes.h"
#include "WinSharedMemory.h"
#include "WinSystemInfo.h"
#include "WinTextLogWindows.h"
#include "WinUserLocale.h"
#include "WinWindowFocus.h"
#include "platform/PlatformPorts.h"

namespace equ {

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
      .messageWindows = std::make_shared<WinMessageWindows>(),
      .mutexes = std::make_shared<win32::WinNamedMutexes>(),
      .sharedMemory = std::make_shared<win32::WinSharedMemory>(),
      .processHeap = std::make_shared<win32::WinProcessHeap>(),
      .textLogWindows = std::make_shared<win32::WinTextLogWindows>(),
  };
}

}  // namespace equ
