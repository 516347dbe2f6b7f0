#pragma once

#include <string>

#include "platform/HttpTransport.h"

namespace equ::posix {

// HTTPS on libcurl with OpenSSL. The server's certificate is always verified: against the
// system's CA bundle, or against `caFile` when one is given (a service with a private CA).
class CurlHttpTransport : public HttpTransport {
 public:
  explicit CurlHttpTransport(std::string caFile = {});
  HttpResponse Send(const HttpRequest& request, HttpTrafficWatcher* watcher) const override;

 private:
  std::string caFile_;
};

}  // namespace equ::posix
