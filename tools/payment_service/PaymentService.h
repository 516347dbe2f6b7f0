#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace payment_service {

using Json = nlohmann::ordered_json;

// One request as it arrived: what a test reads back to see exactly what a client sent.
struct RecordedRequest {
  std::string method;
  std::string path;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
};

struct Reply {
  int status = 200;
  Json body;
};

// An in-memory payment service: terminal tokens, invoices with their charges, refunds, health
// and units, rejecting what a real service rejects (401 without valid tokens, 400 for a
// malformed body or a state change without an idempotency key, 404 for an unknown id, 409
// for a reused idempotency key with another request). Paths below "_control/" are for tests
// and are not recorded: the record, marking an invoice paid, the token form.
class PaymentService {
 public:
  explicit PaymentService(std::string applicationToken);

  Reply Handle(const RecordedRequest& request);

 private:
  struct Invoice {
    std::string uuid;
    Json body;
  };
  struct StoredReply {
    std::string method;
    std::string path;
    std::string body;
    Reply reply;
  };

  Reply Route(const RecordedRequest& request, const std::vector<std::string>& segments);
  Reply Control(const RecordedRequest& request, const std::vector<std::string>& segments);
  std::optional<Reply> CheckApplicationToken(const RecordedRequest& request) const;
  std::optional<Reply> CheckAuthorization(const RecordedRequest& request) const;
  // A state change under an idempotency key: runs `change` once per key; the same request
  // again gets the same reply, another request under the key 409.
  template <typename Change>
  Reply Idempotent(const RecordedRequest& request, Change change);

  Reply RequestToken(const RecordedRequest& request);
  Reply CreateInvoice(const RecordedRequest& request);
  Reply CaptureInvoice(Invoice& invoice, const RecordedRequest& request);
  Reply VoidInvoice(Invoice& invoice);
  Reply CreateRefund(const RecordedRequest& request);
  Reply VoidRefund(Json& refund);
  Invoice* FindInvoice(const std::string& id);
  Json* FindRefund(const std::string& id);
  Json* FindCharge(const std::string& id);
  void MarkPaid(Invoice& invoice, const std::string& source);
  std::string NewUuid();

  std::mutex mutex_;
  std::mt19937_64 random_;
  std::string applicationToken_;
  std::string tokenPrefix_ = "token/";
  std::map<std::string, std::string> tokens_;  // token -> terminal key
  std::vector<Invoice> invoices_;
  std::vector<Json> refunds_;
  std::map<std::string, StoredReply> idempotent_;
  std::vector<RecordedRequest> record_;
};

}  // namespace payment_service
