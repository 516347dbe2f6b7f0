#include "PaymentScenario.h"

#include <gtest/gtest.h>

namespace equ::testing {

namespace {

constexpr char kAppHeader[] = "X-Vorn-Application-Token";
constexpr char kAuthHeader[] = "X-Vorn-Authorization";
constexpr char kKeyHeader[] = "X-Vorn-Idempotent-Key";

std::string Utf8(const WideString& text) {
  return WideToUtf8(text);
}

}  // namespace

std::vector<ExpectedRequest> RunEveryOperation(TDevice& device) {
  std::vector<ExpectedRequest> expected;
  const std::string app = "apptoken " + Utf8(device.ApplicationToken());
  const std::string currency = Utf8(device.CurrencyCode());
  WideString response;

  WideString token;
  device.AuthenticationRequest(token, response);
  EXPECT_EQ(token.size(), 36u);
  device.SetAuthorizationToken(token);
  const std::string auth = "token " + Utf8(token);
  expected.push_back({"AuthenticationRequest",
                      "POST",
                      "/authentication/request/",
                      {{kAppHeader, app}},
                      R"({"terminal":")" + Utf8(device.TerminalKey()) + R"("})"});

  device.AuthenticationStatus(response);
  expected.push_back({"AuthenticationStatus",
                      "GET",
                      "/authentication/status/",
                      {{kAppHeader, app}, {kAuthHeader, auth}},
                      ""});

  device.GetUnitsList(response);
  EXPECT_NE(response.find(u"Касса 1"), WideString::npos);
  expected.push_back(
      {"GetUnitsList", "GET", "/units/", {{kAppHeader, app}, {kAuthHeader, auth}}, ""});

  device.SetIdempotencyKey(u"key-invoice-1");
  WideString invoiceId;
  device.CreateInvoice(15000, invoiceId, response);
  EXPECT_EQ(invoiceId.size(), 36u);
  expected.push_back(
      {"CreateInvoice",
       "POST",
       "/invoices/",
       {{kAppHeader, app}, {kAuthHeader, auth}, {kKeyHeader, "key-invoice-1"}},
       R"({"currency":")" + currency +
           R"(","total":15000,"items":[{"price":15000,"quantity":1,"amount":15000}]})"});

  device.GetInvoice(invoiceId, response);
  EXPECT_NE(response.find(u"\"status\":\"created\""), WideString::npos);
  expected.push_back({"GetInvoice",
                      "GET",
                      "/invoices/" + Utf8(invoiceId),
                      {{kAppHeader, app}, {kAuthHeader, auth}},
                      ""});

  device.SetIdempotencyKey(u"key-pay-1");
  WideString chargeId;
  device.PayInvoice(invoiceId, u"9b2f5c1e-0d4a-4e6b-8c3f-7a1d2e3f4a5b", chargeId, response);
  EXPECT_EQ(chargeId.substr(0, 3), u"ch_");
  expected.push_back({"PayInvoice",
                      "POST",
                      "/invoices/" + Utf8(invoiceId) + "/capture/",
                      {{kAppHeader, app}, {kAuthHeader, auth}, {kKeyHeader, "key-pay-1"}},
                      R"({"source":"9b2f5c1e-0d4a-4e6b-8c3f-7a1d2e3f4a5b"})"});

  device.SetIdempotencyKey(u"key-refund-1");
  WideString refundId;
  device.CreateRefund(5000, chargeId, refundId, response);
  EXPECT_EQ(refundId.substr(0, 7), u"refund_");
  const std::vector<std::pair<std::string, std::string>> refundHeaders = {
      {kAppHeader, app}, {kAuthHeader, auth}, {kKeyHeader, "key-refund-1"}};
  expected.push_back({"CreateRefund", "POST", "/refunds/", refundHeaders,
                      R"({"amount":5000,"charge":")" + Utf8(chargeId) + R"(","currency":")" +
                          currency + R"(","reason":"requested_by_customer"})"});

  device.GetServiceState(response);
  EXPECT_EQ(device.CodeResult(), 200);
  expected.push_back({"GetServiceState", "GET", "/service/health/", refundHeaders, ""});

  device.GetRefundList(response);
  EXPECT_NE(response.find(refundId), WideString::npos);
  expected.push_back(
      {"GetRefundList", "GET", "/refunds/", {{kAppHeader, app}, {kAuthHeader, auth}}, ""});

  device.SetIdempotencyKey(u"key-refund-void-1");
  device.VoidRefund(refundId, response);
  expected.push_back({"VoidRefund",
                      "POST",
                      "/refunds/" + Utf8(refundId.substr(refundId.size() - 36)) + "/void/",
                      {{kAppHeader, app}, {kAuthHeader, auth}, {kKeyHeader, "key-refund-void-1"}},
                      ""});

  device.SetIdempotencyKey(u"key-invoice-2");
  WideString secondId;
  device.CreateInvoice(2500, secondId, response);
  expected.push_back(
      {"CreateInvoice",
       "POST",
       "/invoices/",
       {{kAppHeader, app}, {kAuthHeader, auth}, {kKeyHeader, "key-invoice-2"}},
       R"({"currency":")" + currency +
           R"(","total":2500,"items":[{"price":2500,"quantity":1,"amount":2500}]})"});
  device.SetIdempotencyKey(u"key-invoice-void-2");
  device.VoidInvoice(secondId, response);
  EXPECT_NE(response.find(u"\"status\":\"voided\""), WideString::npos);
  expected.push_back({"VoidInvoice",
                      "POST",
                      "/invoices/" + Utf8(secondId) + "/void/",
                      {{kAppHeader, app}, {kAuthHeader, auth}, {kKeyHeader, "key-invoice-void-2"}},
                      ""});

  device.AuthenticationRevoke(response);
  expected.push_back({"AuthenticationRevoke",
                      "POST",
                      "/authentication/revoke/",
                      {{kAppHeader, app}, {kAuthHeader, auth}},
                      ""});
  return expected;
}

void ExpectRecorded(const std::vector<ExpectedRequest>& expected,
                    const std::vector<ServiceRecord>& recorded) {
  ASSERT_EQ(recorded.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const ExpectedRequest& want = expected[i];
    const ServiceRecord& got = recorded[i];
    SCOPED_TRACE("request " + std::to_string(i + 1) + ": " + want.operation);
    EXPECT_EQ(got.method, want.method);
    EXPECT_EQ(got.path, want.path);
    EXPECT_EQ(got.body, want.body);
    for (const char* name : {kAppHeader, kAuthHeader, kKeyHeader}) {
      std::optional<std::string> wanted;
      for (const auto& [key, value] : want.headers) {
        if (key == name) wanted = value;
      }
      EXPECT_EQ(got.Header(name), wanted) << name;
    }
    EXPECT_EQ(got.Header("Accept"), std::optional<std::string>("*/*"));
    EXPECT_EQ(got.Header("Content-Type"),
              std::optional<std::string>("application/json; charset=utf-8"));
    EXPECT_EQ(got.Header("User-Agent"), std::nullopt);
    if (want.method == "POST") {
      EXPECT_EQ(got.Header("Content-Length"),
                std::optional<std::string>(std::to_string(want.body.size())));
    }
  }
}

}  // namespace equ::testing
