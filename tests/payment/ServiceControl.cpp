#include "ServiceControl.h"

#include <cctype>
#include <stdexcept>

namespace equ::testing {

namespace {

bool SameAsciiNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<std::string> ServiceRecord::Header(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (SameAsciiNoCase(key, name)) return value;
  }
  return std::nullopt;
}

ServiceControl::ServiceControl(std::string baseAddress, std::shared_ptr<HttpTransport> transport)
    : base_(std::move(baseAddress)), transport_(std::move(transport)) {}

nlohmann::ordered_json ServiceControl::Call(HttpVerb verb, const std::string& path,
                                            const std::string& body) const {
  HttpRequest request;
  request.verb = verb;
  request.url = base_ + "_control/" + path;
  request.body = body;
  const HttpResponse response = transport_->Send(request, nullptr);
  if (!response.delivered || response.status != 200) {
    throw std::runtime_error("control request " + path + " failed: status " +
                             std::to_string(response.status) + " " + WideToUtf8(response.error) +
                             " " + response.body);
  }
  return nlohmann::ordered_json::parse(response.body);
}

std::vector<ServiceRecord> ServiceControl::Requests() const {
  std::vector<ServiceRecord> records;
  const nlohmann::ordered_json reply = Call(HttpVerb::Get, "requests", "");
  for (const auto& item : reply["requests"]) {
    ServiceRecord record{item["method"], item["path"], {}, item["body"]};
    for (const auto& header : item["headers"])
      record.headers.emplace_back(header["name"], header["value"]);
    records.push_back(std::move(record));
  }
  return records;
}

void ServiceControl::Reset() const {
  Call(HttpVerb::Post, "reset", "");
}

void ServiceControl::MarkPaid(const std::string& invoiceId) const {
  Call(HttpVerb::Post, "invoices/" + invoiceId + "/paid", "");
}

void ServiceControl::SetTokenPrefix(const std::string& prefix) const {
  Call(HttpVerb::Post, "settings", nlohmann::ordered_json{{"tokenPrefix", prefix}}.dump());
}

}  // namespace equ::testing
