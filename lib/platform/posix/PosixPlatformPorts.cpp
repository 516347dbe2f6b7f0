#include <memory>

#include "PosixFolders.h"
#include "PosixGuidSource.h"
#include "PosixModuleInfo.h"
#include "PosixUserLocale.h"
#include "platform/PlatformPorts.h"

namespace equ {

PlatformPorts CreateDefaultPlatformPorts() {
  return PlatformPorts{std::make_shared<PosixUserLocale>(), std::make_shared<PosixModuleInfo>(),
                       std::make_shared<PosixFolders>(), std::make_shared<PosixGuidSource>()};
}

}  // namespace equ
