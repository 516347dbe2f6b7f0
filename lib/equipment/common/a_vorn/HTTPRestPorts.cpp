#include "HTTPRest.h"
#include "platform/PlatformPorts.h"

namespace equ {

THTTPRestPorts PlatformHTTPRestPorts(const std::string& caFile) {
  const PlatformPorts& platform = Platform();
  return THTTPRestPorts{
      .transport = CreatePlatformHttpTransport(caFile),
      .folders = platform.folders,
      .logFiles = platform.logFiles,
      .clock = platform.clock,
  };
}

}  // namespace equ
