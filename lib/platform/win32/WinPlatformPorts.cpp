#include <memory>

#include "WinFolders.h"
#include "WinGuidSource.h"
#include "WinModuleInfo.h"
#include "WinUserLocale.h"
#include "platform/PlatformPorts.h"

namespace equ {

PlatformPorts CreateDefaultPlatformPorts() {
  return PlatformPorts{
      std::make_shared<win32::WinUserLocale>(), std::make_shared<win32::WinModuleInfo>(),
      std::make_shared<win32::WinFolders>(), std::make_shared<win32::WinGuidSource>()};
}

}  // namespace equ
