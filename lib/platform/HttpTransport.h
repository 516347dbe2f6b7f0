#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "equipment/common/WideString.h"

namespace equ {

enum class HttpVerb { Get, Post };

struct HttpHeader {
  std::string name;
  std::string value;  // UTF-8
};

// One request as the client puts it on the wire. A GET carries no body; a POST always sends
// its body (possibly empty) with the content type given.
struct HttpRequest {
  HttpVerb verb = HttpVerb::Get;
  std::string url;  // absolute, UTF-8
  std::string userAgent;
  std::string accept = "*/*";
  std::string contentType = "application/json; charset=utf-8";
  std::vector<HttpHeader> headers;
  std::string body;  // bytes, UTF-8 for this client
};

// The answer of one exchange. `delivered` is false when no reply came (name resolution,
// connection, TLS, time-out); `error` then holds the platform's message. A reply of any status
// counts as delivered.
struct HttpResponse {
  bool delivered = false;
  int status = 0;
  std::string body;
  WideString error;
};

// Watches the plain text of an exchange: the request head (request line and headers as sent)
// with its body, then the reply head (status line and headers) with its body.
class HttpTrafficWatcher {
 public:
  virtual ~HttpTrafficWatcher() = default;
  virtual void Sent(std::string_view head, std::string_view body) = 0;
  virtual void Received(std::string_view head, std::string_view body) = 0;
};

// Performs HTTPS requests, one at a time, each on a connection of its own (nothing is kept
// between two requests). Raises nothing: every failure comes back in the response.
class HttpTransport {
 public:
  virtual ~HttpTransport() = default;
  // `watcher` may be null.
  virtual HttpResponse Send(const HttpRequest& request, HttpTrafficWatcher* watcher) const = 0;
};

// This build's adapter. `caFile`, when not empty, names a bundle of CA certificates trusted
// besides the system's (the POSIX adapter; the Win32 one trusts the system's store only).
std::unique_ptr<HttpTransport> CreatePlatformHttpTransport(const std::string& caFile = {});

}  // namespace equ
