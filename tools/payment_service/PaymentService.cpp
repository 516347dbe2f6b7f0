#include "PaymentService.h"

#include <cctype>
#include <cstdio>

namespace payment_service {

namespace {

constexpr std::size_t kUuidLength = 36;

Reply Error(int status, const std::string& code, const std::string& message) {
  return Reply{status, Json{{"error", code}, {"message", message}}};
}

Reply NotFound(const std::string& what) {
  return Error(404, "not_found", what + " not found");
}

Reply BadRequest(const std::string& message) {
  return Error(400, "invalid_request", message);
}

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

std::optional<std::string> Header(const RecordedRequest& request, const std::string& name) {
  for (const auto& [key, value] : request.headers) {
    if (SameAsciiNoCase(key, name)) return value;
  }
  return std::nullopt;
}

std::vector<std::string> Segments(const std::string& path) {
  std::vector<std::string> segments;
  std::size_t at = 0;
  while (at < path.size()) {
    const std::size_t slash = path.find('/', at);
    const std::size_t end = slash == std::string::npos ? path.size() : slash;
    if (end > at) segments.push_back(path.substr(at, end - at));
    at = end + 1;
  }
  return segments;
}

// The body as a JSON object, or nullopt when it is none.
std::optional<Json> ObjectBody(const RecordedRequest& request) {
  Json body = Json::parse(request.body, nullptr, /*allow_exceptions=*/false);
  if (!body.is_object()) return std::nullopt;
  return body;
}

bool IsPositiveInteger(const Json& object, const char* name) {
  const auto member = object.find(name);
  return member != object.end() && member->is_number_integer() && member->get<std::int64_t>() > 0;
}

bool IsText(const Json& object, const char* name) {
  const auto member = object.find(name);
  return member != object.end() && member->is_string() &&
         !member->get_ref<const std::string&>().empty();
}

std::string LastUuid(const std::string& id) {
  return id.size() <= kUuidLength ? id : id.substr(id.size() - kUuidLength);
}

Json RequestAsJson(const RecordedRequest& request) {
  Json headers = Json::array();
  for (const auto& [name, value] : request.headers)
    headers.push_back({{"name", name}, {"value", value}});
  return Json{{"method", request.method},
              {"path", request.path},
              {"headers", headers},
              {"body", request.body}};
}

}  // namespace

PaymentService::PaymentService(std::string applicationToken)
    : random_(std::random_device{}()), applicationToken_(std::move(applicationToken)) {}

std::string PaymentService::NewUuid() {
  const std::uint64_t high = random_();
  const std::uint64_t low = random_();
  char text[40];
  std::snprintf(text, sizeof text, "%08llx-%04llx-4%03llx-%04llx-%012llx",
                static_cast<unsigned long long>(high >> 32),
                static_cast<unsigned long long>((high >> 16) & 0xFFFF),
                static_cast<unsigned long long>(high & 0xFFF),
                static_cast<unsigned long long>(0x8000 | ((low >> 48) & 0x3FFF)),
                static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFull));
  return text;
}

Reply PaymentService::Handle(const RecordedRequest& request) {
  const std::lock_guard lock(mutex_);
  const std::vector<std::string> segments = Segments(request.path);
  if (!segments.empty() && segments[0] == "_control") return Control(request, segments);
  record_.push_back(request);
  return Route(request, segments);
}

Reply PaymentService::Control(const RecordedRequest& request,
                              const std::vector<std::string>& segments) {
  if (segments.size() == 2 && segments[1] == "requests" && request.method == "GET") {
    Json requests = Json::array();
    for (const RecordedRequest& recorded : record_) requests.push_back(RequestAsJson(recorded));
    return Reply{200, Json{{"requests", requests}}};
  }
  if (segments.size() == 2 && segments[1] == "reset" && request.method == "POST") {
    record_.clear();
    return Reply{200, Json{{"status", "ok"}}};
  }
  if (segments.size() == 2 && segments[1] == "settings" && request.method == "POST") {
    const auto body = ObjectBody(request);
    if (!body) return BadRequest("settings must be a JSON object");
    if (body->contains("tokenPrefix") && (*body)["tokenPrefix"].is_string()) {
      tokenPrefix_ = (*body)["tokenPrefix"].get<std::string>();
    }
    return Reply{200, Json{{"tokenPrefix", tokenPrefix_}}};
  }
  if (segments.size() == 4 && segments[1] == "invoices" && segments[3] == "paid" &&
      request.method == "POST") {
    Invoice* invoice = FindInvoice(segments[2]);
    if (invoice == nullptr) return NotFound("invoice");
    if (invoice->body["status"] == "created") MarkPaid(*invoice, "control");
    return Reply{200, invoice->body};
  }
  return NotFound("control endpoint");
}

std::optional<Reply> PaymentService::CheckApplicationToken(const RecordedRequest& request) const {
  const auto value = Header(request, "X-Vorn-Application-Token");
  if (!value || *value != "apptoken " + applicationToken_) {
    return Error(401, "unauthorized", "invalid or missing application token");
  }
  return std::nullopt;
}

std::optional<Reply> PaymentService::CheckAuthorization(const RecordedRequest& request) const {
  if (auto failure = CheckApplicationToken(request)) return failure;
  const auto value = Header(request, "X-Vorn-Authorization");
  static const std::string kScheme = "token ";
  if (!value || value->rfind(kScheme, 0) != 0 || !tokens_.contains(value->substr(kScheme.size()))) {
    return Error(401, "unauthorized", "invalid or missing authorization token");
  }
  return std::nullopt;
}

template <typename Change>
Reply PaymentService::Idempotent(const RecordedRequest& request, Change change) {
  const auto key = Header(request, "X-Vorn-Idempotent-Key");
  if (!key || key->empty()) return BadRequest("idempotency key required");
  const auto stored = idempotent_.find(*key);
  if (stored != idempotent_.end()) {
    const StoredReply& earlier = stored->second;
    if (earlier.method != request.method || earlier.path != request.path ||
        earlier.body != request.body) {
      return Error(409, "idempotency_conflict", "idempotency key reused with another request");
    }
    return earlier.reply;
  }
  Reply reply = change();
  // A rejected request changed nothing: the key stays free for a corrected one.
  if (reply.status < 400) {
    idempotent_[*key] = StoredReply{request.method, request.path, request.body, reply};
  }
  return reply;
}

Reply PaymentService::Route(const RecordedRequest& request,
                            const std::vector<std::string>& segments) {
  const std::string& method = request.method;
  const std::size_t n = segments.size();
  const auto at = [&](std::size_t i) -> const std::string& { return segments[i]; };

  if (n == 2 && at(0) == "service" && at(1) == "health" && method == "GET") {
    return Reply{200, Json{{"status", "ok"}}};
  }
  if (n == 2 && at(0) == "authentication" && at(1) == "request" && method == "POST") {
    if (auto failure = CheckApplicationToken(request)) return *failure;
    return RequestToken(request);
  }
  if (auto failure = CheckAuthorization(request)) return *failure;

  if (n == 2 && at(0) == "authentication" && at(1) == "status" && method == "GET") {
    const std::string token = Header(request, "X-Vorn-Authorization")->substr(6);
    return Reply{200, Json{{"status", "active"}, {"terminal", tokens_[token]}}};
  }
  if (n == 2 && at(0) == "authentication" && at(1) == "revoke" && method == "POST") {
    tokens_.erase(Header(request, "X-Vorn-Authorization")->substr(6));
    return Reply{200, Json{{"status", "revoked"}}};
  }
  if (n == 1 && at(0) == "units" && method == "GET") {
    return Reply{200,
                 Json{{"units", Json::array({Json{{"id", "unit-0001"}, {"name", "Касса 1"}},
                                             Json{{"id", "unit-0002"}, {"name", "Касса 2"}}})}}};
  }
  if (n == 1 && at(0) == "invoices" && method == "POST") {
    return Idempotent(request, [&] { return CreateInvoice(request); });
  }
  if (n >= 2 && at(0) == "invoices") {
    Invoice* invoice = FindInvoice(at(1));
    if (n == 2 && method == "GET") return invoice ? Reply{200, invoice->body} : NotFound("invoice");
    if (n == 3 && method == "POST" && (at(2) == "capture" || at(2) == "void")) {
      return Idempotent(request, [&] {
        if (invoice == nullptr) return NotFound("invoice");
        return at(2) == "capture" ? CaptureInvoice(*invoice, request) : VoidInvoice(*invoice);
      });
    }
  }
  if (n == 1 && at(0) == "refunds" && method == "GET") {
    Json list = Json::array();
    for (const Json& refund : refunds_) list.push_back(refund);
    return Reply{200, Json{{"refunds", list}}};
  }
  if (n == 1 && at(0) == "refunds" && method == "POST") {
    return Idempotent(request, [&] { return CreateRefund(request); });
  }
  if (n == 3 && at(0) == "refunds" && at(2) == "void" && method == "POST") {
    return Idempotent(request, [&] {
      Json* refund = FindRefund(at(1));
      return refund ? VoidRefund(*refund) : NotFound("refund");
    });
  }
  return NotFound("endpoint");
}

Reply PaymentService::RequestToken(const RecordedRequest& request) {
  const auto body = ObjectBody(request);
  if (!body || !IsText(*body, "terminal")) return BadRequest("\"terminal\" must be a text");
  const std::string token = NewUuid();
  tokens_[token] = (*body)["terminal"].get<std::string>();
  return Reply{200, Json{{"token", tokenPrefix_ + token}, {"terminal", tokens_[token]}}};
}

Reply PaymentService::CreateInvoice(const RecordedRequest& request) {
  const auto body = ObjectBody(request);
  if (!body || !IsText(*body, "currency") || !IsPositiveInteger(*body, "total")) {
    return BadRequest("an invoice needs \"currency\" and a positive \"total\"");
  }
  const auto items = body->find("items");
  if (items == body->end() || !items->is_array() || items->empty()) {
    return BadRequest("an invoice needs \"items\"");
  }
  for (const Json& item : *items) {
    if (!item.is_object() || !IsPositiveInteger(item, "price") ||
        !IsPositiveInteger(item, "quantity") || !IsPositiveInteger(item, "amount")) {
      return BadRequest("each item needs a positive \"price\", \"quantity\" and \"amount\"");
    }
  }
  Invoice invoice;
  invoice.uuid = NewUuid();
  invoice.body =
      Json{{"id", "inv_" + invoice.uuid}, {"status", "created"}, {"currency", (*body)["currency"]},
           {"total", (*body)["total"]},   {"items", *items},     {"charges", Json::array()}};
  invoices_.push_back(invoice);
  return Reply{201, invoice.body};
}

void PaymentService::MarkPaid(Invoice& invoice, const std::string& source) {
  invoice.body["status"] = "paid";
  invoice.body["charges"].push_back(Json{{"id", "ch_" + NewUuid()},
                                         {"amount", invoice.body["total"]},
                                         {"source", source},
                                         {"refunded", 0}});
}

Reply PaymentService::CaptureInvoice(Invoice& invoice, const RecordedRequest& request) {
  const auto body = ObjectBody(request);
  if (!body || !IsText(*body, "source")) return BadRequest("\"source\" must be a wallet id");
  if (invoice.body["status"] != "created") {
    return Error(409, "invoice_not_payable",
                 "invoice is " + invoice.body["status"].get<std::string>());
  }
  MarkPaid(invoice, (*body)["source"].get<std::string>());
  return Reply{200, invoice.body};
}

Reply PaymentService::VoidInvoice(Invoice& invoice) {
  if (invoice.body["status"] != "created") {
    return Error(409, "invoice_not_voidable",
                 "invoice is " + invoice.body["status"].get<std::string>());
  }
  invoice.body["status"] = "voided";
  return Reply{200, invoice.body};
}

Reply PaymentService::CreateRefund(const RecordedRequest& request) {
  const auto body = ObjectBody(request);
  if (!body || !IsPositiveInteger(*body, "amount") || !IsText(*body, "charge") ||
      !IsText(*body, "currency") || !IsText(*body, "reason")) {
    return BadRequest("a refund needs \"amount\", \"charge\", \"currency\" and \"reason\"");
  }
  Json* charge = FindCharge((*body)["charge"].get<std::string>());
  if (charge == nullptr) return NotFound("charge");
  const std::int64_t amount = (*body)["amount"].get<std::int64_t>();
  const std::int64_t left =
      (*charge)["amount"].get<std::int64_t>() - (*charge)["refunded"].get<std::int64_t>();
  if (amount > left) return BadRequest("refund exceeds the charge's remaining amount");
  (*charge)["refunded"] = (*charge)["refunded"].get<std::int64_t>() + amount;
  Json refund{{"id", "refund_" + NewUuid()},
              {"status", "succeeded"},
              {"amount", amount},
              {"charge", (*body)["charge"]},
              {"currency", (*body)["currency"]},
              {"reason", (*body)["reason"]}};
  refunds_.push_back(refund);
  return Reply{201, refund};
}

Reply PaymentService::VoidRefund(Json& refund) {
  if (refund["status"] != "succeeded") return Error(409, "refund_not_voidable", "refund is voided");
  refund["status"] = "voided";
  if (Json* charge = FindCharge(refund["charge"].get<std::string>())) {
    (*charge)["refunded"] =
        (*charge)["refunded"].get<std::int64_t>() - refund["amount"].get<std::int64_t>();
  }
  return Reply{200, refund};
}

// Invoices are found by their whole id or by the UUID it ends with, as clients send either.
PaymentService::Invoice* PaymentService::FindInvoice(const std::string& id) {
  for (Invoice& invoice : invoices_) {
    if (invoice.uuid == LastUuid(id) && (id.size() == kUuidLength || invoice.body["id"] == id)) {
      return &invoice;
    }
  }
  return nullptr;
}

Json* PaymentService::FindRefund(const std::string& id) {
  for (Json& refund : refunds_) {
    if (LastUuid(refund["id"].get<std::string>()) == LastUuid(id)) return &refund;
  }
  return nullptr;
}

Json* PaymentService::FindCharge(const std::string& id) {
  for (Invoice& invoice : invoices_) {
    for (Json& charge : invoice.body["charges"]) {
      if (charge["id"] == id) return &charge;
    }
  }
  return nullptr;
}

}  // namespace payment_service
