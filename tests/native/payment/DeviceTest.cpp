#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "PaymentFixture.h"
#include "equipment/common/Exceptions.h"
#include "equipment/common/ResultCodes.h"
#include "payment/PaymentScenario.h"

namespace equ::testing {
namespace {

using DeviceTest = PaymentFixture;

std::string Utf8(const WideString& text) {
  return WideToUtf8(text);
}

TEST_F(DeviceTest, EveryOperationSendsExactlyItsRequest) {
  const std::vector<ExpectedRequest> expected = RunEveryOperation(device_);
  ExpectRecorded(expected, Control().Requests());
}

TEST_F(DeviceTest, CreateInvoiceTakesTheLast36CharactersOfALongerId) {
  WideString token, id, response;
  device_.AuthenticationRequest(token, response);
  device_.SetAuthorizationToken(token);
  device_.SetIdempotencyKey(u"k-long");
  device_.CreateInvoice(15000, id, response);
  const nlohmann::ordered_json reply = nlohmann::ordered_json::parse(Utf8(response));
  const std::string whole = reply["id"];
  ASSERT_GT(whole.size(), 36u);
  EXPECT_EQ(Utf8(id), whole.substr(whole.size() - 36));
  EXPECT_EQ(device_.CodeResult(), 201);
}

TEST_F(DeviceTest, ATokenWithoutTheMarkLeavesTheTokenEmptyWithoutFailing) {
  Control().SetTokenPrefix("bearer:");
  WideString token, response;
  device_.AuthenticationRequest(token, response);
  EXPECT_EQ(token, u"");
  EXPECT_NE(response.find(u"bearer:"), WideString::npos);
  EXPECT_EQ(device_.CodeResult(), 200);
}

TEST_F(DeviceTest, TheTokenIsWhatFollowsTheMark) {
  WideString token, response;
  device_.AuthenticationRequest(token, response);
  EXPECT_NE(response.find(u"\"token/" + token + u"\""), WideString::npos);
}

// Every operation but GetServiceState raises an error reply with its status and the
// service's error text; the fields read from the reply stay empty.
struct UnauthorizedCase {
  const char* name;
  std::function<void(TDevice&)> call;
};

class UnauthorizedTest : public PaymentFixture,
                         public ::testing::WithParamInterface<UnauthorizedCase> {};

TEST_P(UnauthorizedTest, RaisesWithCode401AndTheServiceText) {
  device_.SetAuthorizationToken(u"00000000-0000-4000-8000-000000000000");
  device_.SetIdempotencyKey(u"key-401");
  try {
    GetParam().call(device_);
    FAIL() << "no exception";
  } catch (const EquException& e) {
    EXPECT_EQ(e.Code(), 401);
    EXPECT_EQ(e.Message(), device_.ResultDescription());
    EXPECT_NE(e.Message().find(u"\"error\":\"unauthorized\""), WideString::npos) << e.what();
  }
  EXPECT_EQ(device_.CodeResult(), 401);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, UnauthorizedTest,
    ::testing::Values(UnauthorizedCase{"AuthenticationRequest",
                                       [](TDevice& d) {
                                         d.SetApplicationToken(u"wrong");
                                         WideString token, response;
                                         d.AuthenticationRequest(token, response);
                                         EXPECT_EQ(token, u"");
                                       }},
                      UnauthorizedCase{"AuthenticationStatus",
                                       [](TDevice& d) {
                                         WideString r;
                                         d.AuthenticationStatus(r);
                                       }},
                      UnauthorizedCase{"GetUnitsList",
                                       [](TDevice& d) {
                                         WideString r;
                                         d.GetUnitsList(r);
                                       }},
                      UnauthorizedCase{"CreateInvoice",
                                       [](TDevice& d) {
                                         WideString id = u"stale", response;
                                         d.CreateInvoice(100, id, response);
                                         EXPECT_EQ(id, u"");
                                       }},
                      UnauthorizedCase{"PayInvoice",
                                       [](TDevice& d) {
                                         WideString charge = u"stale", response;
                                         d.PayInvoice(u"00000000-0000-4000-8000-000000000001", u"w",
                                                      charge, response);
                                       }},
                      UnauthorizedCase{"CreateRefund",
                                       [](TDevice& d) {
                                         WideString id, response;
                                         d.CreateRefund(100, u"ch_x", id, response);
                                       }},
                      UnauthorizedCase{"VoidRefund",
                                       [](TDevice& d) {
                                         WideString r;
                                         d.VoidRefund(u"rf_x", r);
                                       }},
                      UnauthorizedCase{"GetRefundList",
                                       [](TDevice& d) {
                                         WideString r;
                                         d.GetRefundList(r);
                                       }}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(DeviceTest, GetServiceStateRepeatsTheHeadersOfTheRefundRequestAndNeverRaises) {
  WideString token, response, invoice, charge, refund;
  device_.AuthenticationRequest(token, response);
  device_.SetAuthorizationToken(token);
  device_.SetIdempotencyKey(u"k1");
  device_.CreateInvoice(1000, invoice, response);
  device_.SetIdempotencyKey(u"k2");
  device_.PayInvoice(invoice, u"wallet-1", charge, response);
  device_.SetIdempotencyKey(u"k3");
  device_.CreateRefund(400, charge, refund, response);
  device_.GetServiceState(response);
  const auto records = Control().Requests();
  ASSERT_EQ(records.size(), 5u);
  const ServiceRecord& refundRequest = records[3];
  const ServiceRecord& health = records[4];
  EXPECT_EQ(health.path, "/service/health/");
  for (const char* name :
       {"X-Vorn-Application-Token", "X-Vorn-Authorization", "X-Vorn-Idempotent-Key"}) {
    ASSERT_TRUE(refundRequest.Header(name).has_value()) << name;
    EXPECT_EQ(health.Header(name), refundRequest.Header(name)) << name;
  }

  device_.HTTPRest()->SetServerAddress(u"https://localhost:1/");
  EXPECT_NO_THROW(device_.GetServiceState(response));
  EXPECT_EQ(device_.CodeResult(), -1);
}

TEST_F(DeviceTest, AnUnknownInvoiceRaises404WithTheErrorContent) {
  WideString token, response;
  device_.AuthenticationRequest(token, response);
  device_.SetAuthorizationToken(token);
  try {
    device_.GetInvoice(u"00000000-0000-4000-8000-00000000dead", response);
    FAIL() << "no exception";
  } catch (const EquException& e) {
    EXPECT_EQ(e.Code(), 404);
    EXPECT_EQ(e.Message(), u"{\"error\":\"not_found\",\"message\":\"invoice not found\"}");
  }
  EXPECT_EQ(response, u"");
}

TEST_F(DeviceTest, AWalletPaymentOrTheControlEndpointMarksTheInvoicePaid) {
  WideString token, response, invoice;
  device_.AuthenticationRequest(token, response);
  device_.SetAuthorizationToken(token);
  device_.SetIdempotencyKey(u"k-paid");
  device_.CreateInvoice(700, invoice, response);
  Control().MarkPaid(Utf8(invoice));
  device_.GetInvoice(invoice, response);
  EXPECT_NE(response.find(u"\"status\":\"paid\""), WideString::npos);
}

// The service's rejections reach the caller as the reply's status.
struct RejectionCase {
  const char* name;
  int status;
  std::function<void(TDevice&)> call;
};

class RejectionTest : public PaymentFixture, public ::testing::WithParamInterface<RejectionCase> {};

TEST_P(RejectionTest, RaisesTheStatus) {
  WideString token, response;
  device_.AuthenticationRequest(token, response);
  device_.SetAuthorizationToken(token);
  try {
    GetParam().call(device_);
    FAIL() << "no exception";
  } catch (const EquException& e) {
    EXPECT_EQ(e.Code(), GetParam().status) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(Service, RejectionTest,
                         ::testing::Values(RejectionCase{"MissingIdempotencyKey", 400,
                                                         [](TDevice& d) {
                                                           WideString id, r;
                                                           d.SetIdempotencyKey(u"");
                                                           d.CreateInvoice(100, id, r);
                                                         }},
                                           RejectionCase{"KeyReusedWithAnotherBody", 409,
                                                         [](TDevice& d) {
                                                           WideString id, r;
                                                           d.SetIdempotencyKey(u"reused");
                                                           d.CreateInvoice(100, id, r);
                                                           d.CreateInvoice(200, id, r);
                                                         }},
                                           RejectionCase{"ZeroAmount", 400,
                                                         [](TDevice& d) {
                                                           WideString id, r;
                                                           d.SetIdempotencyKey(u"zero");
                                                           d.CreateInvoice(0, id, r);
                                                         }},
                                           RejectionCase{"UnknownCharge", 404,
                                                         [](TDevice& d) {
                                                           WideString id, r;
                                                           d.SetIdempotencyKey(u"charge");
                                                           d.CreateRefund(100, u"ch_unknown", id,
                                                                          r);
                                                         }},
                                           RejectionCase{"RevokedToken", 401,
                                                         [](TDevice& d) {
                                                           WideString r;
                                                           d.AuthenticationRevoke(r);
                                                           d.AuthenticationStatus(r);
                                                         }}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST_F(DeviceTest, TheSameKeyAndRequestAgainGetsTheSameInvoice) {
  WideString token, response, first, second;
  device_.AuthenticationRequest(token, response);
  device_.SetAuthorizationToken(token);
  device_.SetIdempotencyKey(u"same");
  device_.CreateInvoice(300, first, response);
  device_.CreateInvoice(300, second, response);
  EXPECT_EQ(first, second);
}

TEST_F(DeviceTest, CyrillicAndControlCharactersTravelAsUtf8JsonText) {
  device_.SetCurrencyCode(u"руб");
  device_.SetTerminalKey(u"Касса\u0001\u001f\t\"\\№1");
  WideString token, response, invoice;
  device_.AuthenticationRequest(token, response);
  device_.SetAuthorizationToken(token);
  device_.SetIdempotencyKey(u"k-cyr");
  device_.CreateInvoice(15000, invoice, response);
  const auto records = Control().Requests();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].body,
            "{\"terminal\":\"\xD0\x9A\xD0\xB0\xD1\x81\xD1\x81\xD0\xB0\\u0001\\u001f\\t\\\"\\\\"
            "\xE2\x84\x96"
            "1\"}");
  EXPECT_EQ(
      records[1].body,
      "{\"currency\":\"\xD1\x80\xD1\x83\xD0\xB1\",\"total\":15000,\"items\":[{\"price\":15000,"
      "\"quantity\":1,\"amount\":15000}]}");
  EXPECT_NE(response.find(u"\"currency\":\"руб\""), WideString::npos);
}

TEST_F(DeviceTest, AmountsThatDoNotFit32BitsFailBeforeAnythingIsSent) {
  WideString token, response;
  device_.AuthenticationRequest(token, response);
  device_.SetAuthorizationToken(token);
  device_.SetIdempotencyKey(u"k-big");
  for (const std::int64_t amount :
       {std::int64_t{1} << 31, std::int64_t{-1} - (std::int64_t{1} << 31),
        std::numeric_limits<std::int64_t>::max()}) {
    WideString id = u"stale";
    try {
      device_.CreateInvoice(amount, id, response);
      FAIL() << amount;
    } catch (const EquException& e) {
      EXPECT_EQ(e.Code(), kResultBadParameters);
      EXPECT_NE(e.Message().find(IntToWide(amount)), WideString::npos);
      EXPECT_NE(e.Message().find(u"32"), WideString::npos);
    }
    EXPECT_EQ(id, u"");
    WideString refund;
    EXPECT_THROW(device_.CreateRefund(amount, u"ch_x", refund, response), EquException);
  }
  EXPECT_EQ(Control().Requests().size(), 1u);

  WideString id;
  device_.CreateInvoice(std::numeric_limits<std::int32_t>::max(), id, response);
  EXPECT_NE(Control().Requests().back().body.find("\"total\":2147483647,"), std::string::npos);
}

TEST_F(DeviceTest, OperationsBeforeEnableRaiseDeviceNotEnabled) {
  TDevice idle(Ports());
  WideString response;
  try {
    idle.GetUnitsList(response);
    FAIL();
  } catch (const EquException& e) {
    EXPECT_EQ(e.Code(), kResultDeviceNotEnabled);
  }
}

TEST_F(DeviceTest, TheTrafficLogHoldsEachExchangeWithTheTokensMasked) {
  WideString token, response, invoice;
  device_.AuthenticationRequest(token, response);
  device_.SetAuthorizationToken(token);
  device_.SetIdempotencyKey(u"k-log");
  device_.SetCurrencyCode(u"руб");
  device_.CreateInvoice(15000, invoice, response);

  const std::string log = DailyLog(LogFolder());
  ASSERT_FALSE(log.empty());
  EXPECT_NE(log.find("POST /invoices/ HTTP/1.1"), std::string::npos);
  EXPECT_NE(log.find("X-Vorn-Idempotent-Key: k-log"), std::string::npos);
  EXPECT_NE(log.find("\"currency\":\"руб\""), std::string::npos);
  EXPECT_NE(log.find("HTTP/1.1 201"), std::string::npos);
  EXPECT_NE(log.find("X-Vorn-Application-Token: apptoken ****0001"), std::string::npos);
  const std::string tail = Utf8(token.substr(token.size() - 4));
  EXPECT_NE(log.find("X-Vorn-Authorization: token ****" + tail), std::string::npos);
  EXPECT_EQ(log.find(Utf8(kAppToken)), std::string::npos);
  EXPECT_EQ(log.find(Utf8(token)), std::string::npos) << "the authorization token in full";
}

TEST(ReceiptTest, FiveRowsWithoutRrnSevenWithOne) {
  TDevice device(THTTPRestPorts{});
  device.SetReceiptRowLength(20);
  device.SetTerminalKey(u"TERM-0042");
  const LocalDateTime when{2026, 3, 7, 9, 5, 0, 0};
  const WideString five = device.GetReceiptText(when, u"Оплата", u"", Currency{1500000});
  EXPECT_EQ(five,
            u"Номер терминала:    \r\n"
            u"           TERM-0042\r\n"
            u"Дата: 07.03.26Время: 09:05\r\n"
            u"Операция:     Оплата\r\n"
            u"Сумма:        150.00\r\n");
  const WideString seven = device.GetReceiptText(when, u"Возврат", u"123456789012", Currency{5});
  EXPECT_EQ(seven,
            u"Номер терминала:    \r\n"
            u"           TERM-0042\r\n"
            u"Дата: 07.03.26Время: 09:05\r\n"
            u"Операция:    Возврат\r\n"
            u"Сумма:          0.00\r\n"
            u"RRN:                \r\n"
            u"        123456789012\r\n");
}

TEST(ReceiptTest, RowsPadToTheWidthAndNeverCutTheRightText) {
  TDevice device(THTTPRestPorts{});
  device.SetReceiptRowLength(10);
  struct Case {
    const char16_t* left;
    const char16_t* right;
    const char16_t* row;
  };
  for (const Case& c : {Case{u"ab", u"cd", u"ab      cd"}, Case{u"", u"", u"          "},
                        Case{u"Итог:", u"123456", u"Итог:123456"},
                        Case{u"очень длинный", u"x", u"очень длинныйx"}}) {
    EXPECT_EQ(device.FormatReceiptRow(c.left, c.right), c.row);
  }
}

TEST(ReceiptTest, AmountsRoundToHundredths) {
  TDevice device(THTTPRestPorts{});
  device.SetReceiptRowLength(6);
  const LocalDateTime when{2026, 1, 1, 0, 0, 0, 0};
  for (const auto& [scaled, text] : std::vector<std::pair<std::int64_t, const char16_t*>>{
           {12345, u"1.23"}, {12355, u"1.24"}, {-12355, u"-1.24"}, {10000000000, u"1000000.00"}}) {
    const WideString receipt = device.GetReceiptText(when, u"", u"", Currency{scaled});
    EXPECT_NE(receipt.find(WideString(u"Сумма:") + text + u"\r\n"), WideString::npos) << scaled;
  }
}

TEST(DeviceJsonTest, AsJsonAndAssignFromJsonRoundTrip) {
  TDevice source(THTTPRestPorts{});
  source.SetTerminalKey(u"Касса\n1");
  source.SetApplicationToken(u"app");
  source.SetAuthorizationToken(u"auth");
  source.SetIdempotencyKey(u"key");
  source.SetCurrencyCode(u"RUB");
  source.SetReceiptRowLength(32);
  const WideString compact = source.AsJSON(false, false);
  EXPECT_EQ(compact.find(u'\n'), WideString::npos);
  EXPECT_NE(compact.find(u"\"terminalKey\":\"Касса\\n1\""), WideString::npos);
  EXPECT_NE(source.AsJSON(true, false).find(u"\n  \"terminalKey\""), WideString::npos);

  TDevice copy(THTTPRestPorts{});
  copy.AssignFromJSON(compact);
  EXPECT_EQ(copy.AsJSON(false, true), compact);
  EXPECT_THROW(copy.AssignFromJSON(WideString(u"[1,2]")), Exception);
}

}  // namespace
}  // namespace equ::testing
