#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/HttpTransport.h"

namespace equ::testing {

// One request as the local payment service recorded it.
struct ServiceRecord {
  std::string method;
  std::string path;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;

  // The value of a header (names compared without case); nullopt when it was not sent.
  std::optional<std::string> Header(const std::string& name) const;
};

// The test endpoints of the local payment service, reached through this build's HTTPS
// adapter: the record of requests, marking an invoice paid, the form of new tokens.
class ServiceControl {
 public:
  ServiceControl(std::string baseAddress, std::shared_ptr<HttpTransport> transport);

  std::vector<ServiceRecord> Requests() const;
  void Reset() const;
  void MarkPaid(const std::string& invoiceId) const;
  void SetTokenPrefix(const std::string& prefix) const;

  const std::string& BaseAddress() const { return base_; }

 private:
  nlohmann::ordered_json Call(HttpVerb verb, const std::string& path,
                              const std::string& body) const;

  std::string base_;
  std::shared_ptr<HttpTransport> transport_;
};

}  // namespace equ::testing
