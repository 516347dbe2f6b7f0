#include <memory>

#include "HeadlessTextLogWindows.h"
#include "IconvCodePage.h"
#include "PosixClock.h"
#include "PosixFolders.h"
#include "PosixGuidSource.h"
#include "PosixLogFiles.h"
#include "PosixMessageWindow.h"
#include "PosixModuleInfo.h"
#include "PosixNamedMutexes.h"
#include "PosixSharedMemory.h"
#include "PosixSystemInfo.h"
#include "PosixUserLocale.h"
#include "PosixWindowFocus.h"
#include "platform/PlatformPorts.h"

namespace equ {

PlatformPorts CreateDefaultPlatformPorts() {
  return PlatformPorts{
      .locale = std::make_shared<PosixUserLocale>(),
      .module = std::make_shared<PosixModuleInfo>(),
      .folders = std::make_shared<PosixFolders>(),
      .guids = std::make_shared<PosixGuidSource>(),
      .clock = std::make_shared<PosixClock>(),
      .codePage = std::make_shared<IconvCodePage>(),
      .logFiles = std::make_shared<PosixLogFiles>(),
      .system = std::make_shared<PosixSystemInfo>(),
      .windowFocus = std::make_shared<PosixWindowFocus>(),
      .messageWindows = std::make_shared<PosixMessageWindows>(),
      .mutexes = std::make_shared<PosixNamedMutexes>(),
      .sharedMemory = std::make_shared<PosixSharedMemory>(),
      .processHeap = std::make_shared<PosixProcessHeap>(),
      .textLogWindows = std::make_shared<HeadlessTextLogWindows>(),
  };
}

}  // namespace equ
