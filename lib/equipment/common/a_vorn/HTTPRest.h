#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "equipment/common/WideString.h"
#include "platform/HttpTransport.h"

namespace equ {

class Clock;
class Folders;
class LogFiles;

enum class TMethodType { mtGet, mtPost, mtDelete };

// The platform services the REST transport uses, handed in by its owner.
struct THTTPRestPorts {
  std::shared_ptr<HttpTransport> transport;
  std::shared_ptr<Folders> folders;
  std::shared_ptr<LogFiles> logFiles;
  std::shared_ptr<Clock> clock;
};

// The running platform's adapters (the system's CA store; `caFile` adds a CA bundle of its own
// where the transport takes one, as the native tests do).
THTTPRestPorts PlatformHTTPRestPorts(const std::string& caFile = {});

// The HTTP client that every request of a THTTPRest goes through: its request defaults and the
// custom headers the caller sets before a request (they stay until replaced).
struct THTTPClient {
  std::shared_ptr<HttpTransport> transport;
  std::string userAgent;
  std::string accept = "*/*";
  std::string contentType = "application/json";
  std::string charset = "utf-8";
  std::vector<HttpHeader> customHeaders;
};

// The module's log folder: "Movak" and "a_vorn" below the common application-data folder (the
// user's when that cannot be had), without a trailing delimiter; empty when neither exists.
WideString GetLogFolder(const Folders& folders);

// One HTTPS request at a time to the payment service, with its daily traffic log
// ("http_yyyy.mm.dd.log"). Every failure comes back as a code and a text; nothing is raised.
class THTTPRest {
 public:
  THTTPRest(THTTPRestPorts ports, bool ALogEnabled);

  // ACode: the reply's status, or -1 when no reply came (the text then says why). An error
  // reply (status outside 200-299) leaves AResponse empty and gives its content as the text.
  void MakeRequest(TMethodType AMethod, const WideString& APath, const WideString& AData,
                   WideString& AResponse, std::int32_t& ACode,
                   WideString& AResultDescription) noexcept;

  void ClearCustomHeaders() { FIdHTTPClient.customHeaders.clear(); }
  void AddCustomHeader(const WideString& name, const WideString& value);
  const std::vector<HttpHeader>& CustomHeaders() const { return FIdHTTPClient.customHeaders; }

  const WideString& ServerAddress() const { return FServerAddress; }
  void SetServerAddress(const WideString& address) { FServerAddress = address; }
  bool LogEnabled() const { return FLogEnabled; }
  void SetLogEnabled(bool enabled) { FLogEnabled = enabled; }
  const WideString& LogDir() const { return FLogDir; }
  void SetLogDir(const WideString& folder) { FLogDir = folder; }

  // The day's traffic-log file, its folder created (and opened to every user) when missing.
  // Raises equ::Exception when the folder cannot be had.
  WideString PrepareLogFile() const;

 private:
  void Perform(TMethodType AMethod, const WideString& APath, const WideString& AData,
               WideString& AResponse, std::int32_t& ACode, WideString& AResultDescription);
  HttpRequest BuildRequest(TMethodType AMethod, const WideString& APath,
                           const WideString& AData) const;

  THTTPRestPorts ports_;
  WideString FAuthData;
  THTTPClient FIdHTTPClient;
  WideString FServerAddress;
  bool FLogEnabled = false;
  WideString FLogDir;
};

}  // namespace equ
