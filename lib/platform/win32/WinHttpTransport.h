#pragma once

#include "platform/HttpTransport.h"

namespace equ::win32 {

// HTTPS on WinHTTP: the platform's own TLS, the server's certificate checked against the
// system's certificate store. One session and connection per request.
class WinHttpTransport : public HttpTransport {
 public:
  HttpResponse Send(const HttpRequest& request, HttpTrafficWatcher* watcher) const override;
};

}  // namespace equ::win32
