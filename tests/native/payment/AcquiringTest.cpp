#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "AcquiringFixture.h"
#include "DisplaySimulatorProcess.h"
#include "equipment/common/Exceptions.h"
#include "equipment/common/ResultCodes.h"
#include "platform/posix/IconvCodePage.h"
#include "platform/posix/PosixProcessHeap.h"

namespace equ::testing {
namespace {

constexpr char16_t kNoCustomerCode[] = u"Ошибка получения QR-кода клиента";
constexpr char kKeyHeader[] = "X-Vorn-Idempotent-Key";

Currency Rubles(std::int64_t tenThousandths) {
  return Currency{tenThousandths};
}

std::string Utf8(const WideString& text) {
  return WideToUtf8(text);
}

bool IsUpperCaseGuid(const std::string& key) {
  if (key.size() != 36) return false;
  for (std::size_t i = 0; i < key.size(); ++i) {
    const char c = key[i];
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (c != '-') return false;
    } else if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
      return false;
    }
  }
  return true;
}

// The message the call failed with.
template <typename Call>
WideString FailureOf(Call call) {
  try {
    call();
  } catch (const std::exception& e) {
    return ExceptionMessage(e);
  }
  return u"(no failure)";
}

std::string InvoiceIdOf(const ServiceRecord& capture) {
  // "/invoices/ID/capture/" or "/invoices/ID/void/"
  const std::size_t start = std::string("/invoices/").size();
  return capture.path.substr(start, capture.path.find('/', start) - start);
}

TEST(AmountInMinorUnitsTest, RoundsHalvesToEven) {
  struct Case {
    std::int64_t scaled;
    std::int64_t minor;
  };
  const Case cases[] = {{123450, 1234},   {123550, 1236},  {1500000, 15000}, {123449, 1234},
                        {123451, 1235},   {50, 0},         {150, 2},         {-123450, -1234},
                        {-123550, -1236}, {-123451, -1235}};
  for (const Case& c : cases) {
    EXPECT_EQ(AmountInMinorUnits(Currency{c.scaled}), c.minor) << c.scaled;
  }
}

using AcquiringTest = AcquiringFixture;

TEST_F(AcquiringTest, AWalletCodeScannedDuringTheWaitPaysTheInvoice) {
  bool taken = false;
  ScanAt(1500, u"wallet-7f3a", &taken);
  WideString rrn, receiptNum, receipt;
  driver_->PayByPaymentCard(0, Rubles(1500000), rrn, receiptNum, receipt);

  EXPECT_TRUE(taken);
  const auto created = RequestsTo("POST", "/invoices/");
  ASSERT_EQ(created.size(), 2u);  // the creation and the capture, nothing else
  EXPECT_EQ(created[0].path, "/invoices/");
  EXPECT_EQ(
      created[0].body,
      R"({"currency":"RUB","total":15000,"items":[{"price":15000,"quantity":1,"amount":15000}]})");
  EXPECT_EQ(created[1].path, "/invoices/" + InvoiceIdOf(created[1]) + "/capture/");
  EXPECT_EQ(InvoiceIdOf(created[1]).size(), 36u);
  EXPECT_EQ(created[1].body, R"({"source":"wallet-7f3a"})");
  const std::string createKey = created[0].Header(kKeyHeader).value_or("");
  const std::string captureKey = created[1].Header(kKeyHeader).value_or("");
  EXPECT_TRUE(IsUpperCaseGuid(createKey)) << createKey;
  EXPECT_TRUE(IsUpperCaseGuid(captureKey)) << captureKey;
  EXPECT_NE(createKey, captureKey);

  EXPECT_EQ(rrn.substr(0, 3), u"ch_");
  EXPECT_EQ(receiptNum, rrn);
  EXPECT_NE(receipt.find(u"Оплата картой"), WideString::npos);
  EXPECT_NE(receipt.find(u"150.00"), WideString::npos);
  EXPECT_NE(receipt.find(rrn), WideString::npos);
  EXPECT_EQ(driver_->LastOperationType(), FOperationType::otPayment);
  EXPECT_EQ(driver_->LastOperationID(), rrn);
  EXPECT_EQ(driver_->LastOperationAmount(), Rubles(1500000));
}

TEST_F(AcquiringTest, TheWaitShowsTheCountdownAndEndsWithTheScan) {
  ScanAt(2500, u"wallet-1");
  WideString code;
  driver_->ReadQRCode(code);
  EXPECT_EQ(code, u"wallet-1");
  EXPECT_EQ(time_.NowMs(), 2500u);
  ASSERT_EQ(dialogs_->shown.size(), 1u);
  const auto& shown = dialogs_->shown[0];
  EXPECT_EQ(shown.info, u"Ожидание чтения QR-кода ...");
  EXPECT_TRUE(shown.timerVisible);
  EXPECT_EQ(shown.firstTimerCaption, u"");
  EXPECT_EQ(shown.timerCaptions, (std::vector<WideString>{u"4", u"3"}));
  EXPECT_TRUE(shown.closed);
  EXPECT_EQ(TfmUserDialog::Current(), nullptr);
}

TEST_F(AcquiringTest, AfterTheWaitTheMailboxIsGoneAndScansTakeTheirNormalWay) {
  ScanAt(100, u"wallet-1");
  WideString code;
  driver_->ReadQRCode(code);
  EXPECT_TRUE(memory_->objects.empty());
  EXPECT_FALSE(TVornDriver::SendMsgToAcquiring(ports_, u"4600000000001"));
}

TEST_F(AcquiringTest, AWalletCodeComesBackUntrimmedAndIsSentSo) {
  ScanAt(100, u"  wallet-2 \t");
  WideString rrn, receiptNum = u"R-17", receipt;
  driver_->PayByPaymentCard(0, Rubles(100000), rrn, receiptNum, receipt);
  const auto capture = RequestsTo("POST", "/invoices/");
  ASSERT_EQ(capture.size(), 2u);
  EXPECT_EQ(capture[1].body, R"({"source":"  wallet-2 \t"})");
  EXPECT_EQ(receiptNum, u"R-17");  // the caller's number stays
}

// Every way the customer's code fails to come: each fails the payment with the same message
// and voids the invoice it had created, under a key of its own.
struct MissingCodeCase {
  const char* name;
  std::function<void(AcquiringFixture&)> script;
  std::uint64_t endsAt;
};

class MissingCodeTest : public AcquiringFixture,
                        public ::testing::WithParamInterface<MissingCodeCase> {};

TEST_P(MissingCodeTest, FailsAndVoidsTheInvoice) {
  GetParam().script(*this);
  WideString rrn, receiptNum, receipt;
  EXPECT_EQ(
      FailureOf([&] { driver_->PayByPaymentCard(0, Rubles(100000), rrn, receiptNum, receipt); }),
      kNoCustomerCode);
  EXPECT_EQ(time_.NowMs(), GetParam().endsAt);
  const auto posts = RequestsTo("POST", "/invoices/");
  ASSERT_EQ(posts.size(), 2u);
  EXPECT_EQ(posts[1].path, "/invoices/" + InvoiceIdOf(posts[1]) + "/void/");
  EXPECT_TRUE(IsUpperCaseGuid(posts[1].Header(kKeyHeader).value_or("")));
  EXPECT_NE(posts[0].Header(kKeyHeader), posts[1].Header(kKeyHeader));
  EXPECT_TRUE(memory_->objects.empty());
  EXPECT_EQ(TfmUserDialog::Current(), nullptr);
  EXPECT_EQ(rrn, u"");
  EXPECT_EQ(driver_->LastOperationType(), FOperationType::otNone);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, MissingCodeTest,
    ::testing::Values(
        MissingCodeCase{"NoScanWithinTheTimeout", [](AcquiringFixture&) {}, 5001},
        MissingCodeCase{"ABlankCode", [](AcquiringFixture& f) { f.ScanAt(700, u" \t "); }, 700},
        MissingCodeCase{"AnEmptyCode", [](AcquiringFixture& f) { f.ScanAt(700, u""); }, 700},
        MissingCodeCase{"CancelConfirmed",
                        [](AcquiringFixture& f) {
                          f.dialogs_->answers = {true};
                          f.dialogs_->ClickCancelAt(1200);
                        },
                        1200}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(AcquiringTest, CancelAnsweredNoLetsTheWaitGoOn) {
  dialogs_->answers = {false};
  dialogs_->ClickCancelAt(1000);
  ScanAt(3000, u"wallet-3");
  WideString code;
  driver_->ReadQRCode(code);
  EXPECT_EQ(code, u"wallet-3");
  EXPECT_EQ(dialogs_->questions, (std::vector<WideString>{u"Подтвердить отмену? | Подтверждение"}));
}

TEST_F(AcquiringTest, ACyrillicCodeTravelsThroughTheMailboxUnchanged) {
  ScanAt(100, u"Оплата №5");
  WideString code;
  driver_->ReadQRCode(code);
  EXPECT_EQ(code, u"Оплата №5");
}

// --- the shop's QR code on the customer display

class DisplayPaymentTest : public AcquiringFixture {
 protected:
  void StartDisplay(const std::string& answer) {
    display_ = std::make_unique<DisplaySimulatorProcess>(Folder(), answer);
    configuration_.ADisplayPort = display_->Port();
    driver_->Open(configuration_);
  }
  std::function<std::string()> DisplayedInvoice() {
    return [this] { return display_->Last("qr_data"); };
  }
  std::unique_ptr<DisplaySimulatorProcess> display_;
};

TEST_F(DisplayPaymentTest, TheDisplayShowsTheInvoiceAndThePaymentCompletesWhenPaid) {
  StartDisplay("ack");
  // A header that makes the payload 300 bytes, three Cyrillic letters in front.
  configuration_.ACheckHeader = u"Чек" + WideString(203, u'x');
  driver_->Open(configuration_);
  MarkPaidAt(2500, DisplayedInvoice());
  WideString rrn, receiptNum, receipt;
  driver_->PayByPaymentCard(1, Rubles(2500000), rrn, receiptNum, receipt);

  const std::string invoiceId = display_->Last("qr_data");
  EXPECT_EQ(invoiceId.size(), 36u);
  const std::string raw = display_->RawMessage(1);
  ASSERT_EQ(raw.size(), 306u);
  EXPECT_EQ(raw.substr(0, 6), std::string("\x02\x05\x2C\x01\x00\x00", 6));
  EXPECT_EQ(raw.substr(6), "receipt_qrcode|{\"header\":\"\xD0\xA7\xD0\xB5\xD0\xBA" +
                               std::string(203, 'x') + "\",\"duration\":30,\"qr_data\":\"" +
                               invoiceId + "\"}");
  EXPECT_EQ(rrn.substr(0, 3), u"ch_");
  EXPECT_EQ(receiptNum, rrn);
  EXPECT_NE(receipt.find(u"Оплата картой"), WideString::npos);
  EXPECT_EQ(driver_->LastOperationType(), FOperationType::otPayment);
  ASSERT_FALSE(dialogs_->shown.empty());
  EXPECT_EQ(dialogs_->shown.back().info, u"Ожидание оплаты счета...");
  EXPECT_FALSE(dialogs_->shown.back().timerVisible);
  EXPECT_TRUE(dialogs_->shown.back().closed);
  // Polled about once a second: at 0, 1, 2 and 3 seconds.
  const auto polls = RequestsTo("GET", "/invoices/");
  EXPECT_GE(polls.size(), 3u);
  EXPECT_LE(polls.size(), 4u);
  EXPECT_TRUE(RequestsTo("POST", "/invoices/" + invoiceId + "/void/").empty());
}

// A display that fails the exchange: the payment fails with the link's message and the
// invoice is voided.
struct DisplayFailureCase {
  const char* name;
  std::string answer;  // the simulator's --answer, or "" for no display at all
  std::u16string message;
  int receiveTimeoutMs;
};

class DisplayFailureTest : public DisplayPaymentTest,
                           public ::testing::WithParamInterface<DisplayFailureCase> {};

TEST_P(DisplayFailureTest, FailsWithItsMessageAndVoidsTheInvoice) {
  const DisplayFailureCase& c = GetParam();
  if (c.answer.empty()) {
    configuration_.ADisplayPort = ClosedPort();
    driver_->Open(configuration_);
  } else {
    StartDisplay(c.answer);
  }
  driver_->SetDisplayTimeouts(TDisplayTimeouts{5000, c.receiveTimeoutMs});
  WideString rrn, receiptNum, receipt;
  EXPECT_EQ(
      FailureOf([&] { driver_->PayByPaymentCard(1, Rubles(100000), rrn, receiptNum, receipt); }),
      c.message);
  const auto posts = RequestsTo("POST", "/invoices/");
  ASSERT_EQ(posts.size(), 2u);
  EXPECT_EQ(posts[1].path, "/invoices/" + InvoiceIdOf(posts[1]) + "/void/");
  EXPECT_TRUE(RequestsTo("GET", "/invoices/").empty());  // no wait for the payment began
  EXPECT_TRUE(dialogs_->shown.empty());
  if (c.answer == "none") {
    EXPECT_TRUE(display_->WaitFor("the client closed the connection")) << display_->Output();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Displays, DisplayFailureTest,
    ::testing::Values(
        DisplayFailureCase{"AnswersNak", "byte:15", u"Ошибка протокола обмена", 10000},
        DisplayFailureCase{"ClosesWithoutAnAnswer", "close", u"Ошибка протокола обмена", 10000},
        DisplayFailureCase{"NeverAnswers", "none", u"Ошибка при получении ответа от сервера", 300},
        DisplayFailureCase{"RefusesTheConnection", "",
                           u"Ошибка при установлении подключения к дисплею покупателя", 10000}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(DisplayPaymentTest, ADisplayThatNeverAnswersFailsAfterTenSeconds) {
  StartDisplay("none");
  const auto started = std::chrono::steady_clock::now();
  WideString rrn, receiptNum, receipt;
  EXPECT_EQ(
      FailureOf([&] { driver_->PayByPaymentCard(1, Rubles(100000), rrn, receiptNum, receipt); }),
      u"Ошибка при получении ответа от сервера");
  const auto waited = std::chrono::steady_clock::now() - started;
  EXPECT_GE(waited, std::chrono::milliseconds(9900));
  EXPECT_LT(waited, std::chrono::seconds(20));
}

TEST_F(DisplayPaymentTest, TheInvoiceWaitCancelledFailsAtOnceAndVoidsTheInvoice) {
  StartDisplay("ack");
  dialogs_->answers = {true};
  dialogs_->ClickCancelAt(1500);
  WideString rrn, receiptNum, receipt;
  EXPECT_EQ(
      FailureOf([&] { driver_->PayByPaymentCard(1, Rubles(100000), rrn, receiptNum, receipt); }),
      u"Счет не был оплачен");
  EXPECT_EQ(time_.NowMs(), 1500u);  // the cancel ended the pause between two polls
  const std::string invoiceId = display_->Last("qr_data");
  EXPECT_EQ(RequestsTo("POST", "/invoices/" + invoiceId + "/void/").size(), 1u);
  EXPECT_TRUE(dialogs_->shown.back().closed);
}

TEST_F(DisplayPaymentTest, TheInvoiceWaitTimesOutAfterItsSecondsPollingOnceASecond) {
  StartDisplay("ack");
  configuration_.AInvoiceTimeout = 3;
  driver_->Open(configuration_);
  WideString rrn, receiptNum, receipt;
  EXPECT_EQ(
      FailureOf([&] { driver_->PayByPaymentCard(1, Rubles(100000), rrn, receiptNum, receipt); }),
      u"Истек таймаут ожидания оплаты счета");
  const auto polls = RequestsTo("GET", "/invoices/");
  EXPECT_GE(polls.size(), 4u);
  EXPECT_LE(polls.size(), 5u);
  EXPECT_GT(time_.NowMs(), 3000u);
  EXPECT_LE(time_.NowMs(), 3001u);
  const std::string invoiceId = display_->Last("qr_data");
  EXPECT_EQ(RequestsTo("POST", "/invoices/" + invoiceId + "/void/").size(), 1u);
}

TEST_F(DisplayPaymentTest, AnInvoicePaidJustBeforeTheTimeoutSucceeds) {
  StartDisplay("ack");
  configuration_.AInvoiceTimeout = 3;
  driver_->Open(configuration_);
  MarkPaidAt(2999, DisplayedInvoice());
  WideString rrn, receiptNum, receipt;
  driver_->PayByPaymentCard(1, Rubles(100000), rrn, receiptNum, receipt);
  EXPECT_EQ(rrn.substr(0, 3), u"ch_");
}

TEST_F(DisplayPaymentTest, WaitInvoicePaidFailsWithCode1001) {
  configuration_.AInvoiceTimeout = 1;
  driver_->Open(configuration_);
  WideString invoiceId, response, chargeId;
  driver_->Device().SetIdempotencyKey(u"key-wait-1");
  driver_->Device().CreateInvoice(100, invoiceId, response);
  try {
    driver_->WaitInvoicePaid(invoiceId, chargeId);
    FAIL() << "no failure";
  } catch (const EquException& e) {
    EXPECT_EQ(e.Code(), kResultUnknownError);
    EXPECT_EQ(e.Message(), u"Истек таймаут ожидания оплаты счета");
  }
}

// --- return, cancel, reversal, the token

class AfterPaymentTest : public AcquiringFixture {
 protected:
  // A completed payment of 150.00 by a wallet code; its charge identifier.
  WideString Pay() {
    ScanAt(time_.NowMs() + 100, u"wallet-9");
    WideString rrn, receiptNum, receipt;
    driver_->PayByPaymentCard(0, Rubles(1500000), rrn, receiptNum, receipt);
    Control().Reset();
    return rrn;
  }
};

TEST_F(AfterPaymentTest, AReturnRefundsTheChargeAndAnswersTheRefund) {
  const WideString charge = Pay();
  WideString rrn = charge, receiptNum, receipt;
  driver_->ReturnPaymantByPaymantCard(Rubles(500000), rrn, receiptNum, receipt);
  const auto refunds = RequestsTo("POST", "/refunds/");
  ASSERT_EQ(refunds.size(), 1u);
  EXPECT_EQ(refunds[0].body, R"({"amount":5000,"charge":")" + Utf8(charge) +
                                 R"(","currency":"RUB","reason":"requested_by_customer"})");
  EXPECT_TRUE(IsUpperCaseGuid(refunds[0].Header(kKeyHeader).value_or("")));
  EXPECT_EQ(rrn.substr(0, 7), u"refund_");
  EXPECT_EQ(receiptNum, rrn);
  EXPECT_NE(receipt.find(u"Возврат платежа по карте"), WideString::npos);
  EXPECT_NE(receipt.find(u"50.00"), WideString::npos);
  EXPECT_EQ(driver_->LastOperationType(), FOperationType::otRefund);
  EXPECT_EQ(driver_->LastOperationID(), rrn);
}

TEST_F(AfterPaymentTest, CancellingAPaymentReturnsItsMoney) {
  const WideString charge = Pay();
  WideString rrn = charge, receiptNum = u"  ", receipt;
  driver_->CancelPaymentByPaymentCard(Rubles(1500000), rrn, receiptNum, receipt);
  ASSERT_EQ(RequestsTo("POST", "/refunds/").size(), 1u);
  EXPECT_EQ(rrn.substr(0, 7), u"refund_");
  EXPECT_EQ(receiptNum, rrn);  // a blank number is replaced
  EXPECT_EQ(driver_->LastOperationType(), FOperationType::otCancelPayment);
  EXPECT_EQ(driver_->LastOperationID(), rrn);
}

TEST_F(AfterPaymentTest, CancellingARefundVoidsItWhateverTheLetterCase) {
  const WideString charge = Pay();
  WideString refund = charge, receiptNum, receipt;
  driver_->ReturnPaymantByPaymantCard(Rubles(500000), refund, receiptNum, receipt);
  Control().Reset();
  // The word in upper case: the identifier still ends with the refund's UUID.
  WideString rrn = u"REFUND_" + refund.substr(7), cancelNum, cancelReceipt;
  driver_->CancelPaymentByPaymentCard(Rubles(500000), rrn, cancelNum, cancelReceipt);
  const auto voids = RequestsTo("POST", "/refunds/");
  ASSERT_EQ(voids.size(), 1u);
  EXPECT_EQ(voids[0].path, "/refunds/" + Utf8(refund.substr(7)) + "/void/");
  EXPECT_EQ(cancelNum, rrn);
  EXPECT_NE(cancelReceipt.find(u"Отмена платежа по карте"), WideString::npos);
  EXPECT_EQ(driver_->LastOperationType(), FOperationType::otCancelRefund);
  EXPECT_EQ(driver_->LastOperationID(), rrn);
}

TEST_F(AcquiringTest, ReversalWithoutACompletedOperationFails) {
  EXPECT_EQ(FailureOf([&] { driver_->EmergencyReversal(); }),
            u"Не зафиксировано операции для отмены");
  EXPECT_TRUE(Control().Requests().empty());
}

TEST_F(AfterPaymentTest, ReversalOfAPaymentRefundsItAndASecondOneRepeatsTheRequest) {
  const WideString charge = Pay();
  driver_->EmergencyReversal();
  EXPECT_THROW(driver_->EmergencyReversal(), EquException);  // nothing is left to refund
  const auto refunds = RequestsTo("POST", "/refunds/");
  ASSERT_EQ(refunds.size(), 2u);
  const std::string body = R"({"amount":15000,"charge":")" + Utf8(charge) +
                           R"(","currency":"RUB","reason":"requested_by_customer"})";
  EXPECT_EQ(refunds[0].body, body);
  EXPECT_EQ(refunds[1].body, body);
  EXPECT_NE(refunds[0].Header(kKeyHeader), refunds[1].Header(kKeyHeader));
  EXPECT_EQ(driver_->LastOperationType(), FOperationType::otPayment);
}

TEST_F(AfterPaymentTest, ReversalOfARefundVoidsIt) {
  WideString rrn = Pay(), receiptNum, receipt;
  driver_->ReturnPaymantByPaymantCard(Rubles(500000), rrn, receiptNum, receipt);
  Control().Reset();
  driver_->EmergencyReversal();
  const auto voids = RequestsTo("POST", "/refunds/");
  ASSERT_EQ(voids.size(), 1u);
  EXPECT_EQ(voids[0].path, "/refunds/" + Utf8(rrn.substr(7)) + "/void/");
}

TEST_F(AfterPaymentTest, ReversalAfterACancelIsNotSupported) {
  for (bool ofRefund : {false, true}) {
    WideString rrn = Pay(), receiptNum, receipt;
    if (ofRefund) driver_->ReturnPaymantByPaymantCard(Rubles(100000), rrn, receiptNum, receipt);
    driver_->CancelPaymentByPaymentCard(Rubles(100000), rrn, receiptNum, receipt);
    Control().Reset();
    EXPECT_EQ(FailureOf([&] { driver_->EmergencyReversal(); }), u"Метод не поддерживается");
    EXPECT_TRUE(Control().Requests().empty());
  }
}

TEST_F(AcquiringTest, TheTokenRequestedAndRevoked) {
  WideString token;
  driver_->AuthenticationRequest(token);
  EXPECT_EQ(token.size(), 36u);
  driver_->AuthenticationRevoke(token);
  const auto revokes = RequestsTo("POST", "/authentication/revoke/");
  ASSERT_EQ(revokes.size(), 1u);
  EXPECT_EQ(revokes[0].Header("X-Vorn-Authorization"), "token " + Utf8(token));
  EXPECT_NE(driver_->Response().find(u"revoked"), WideString::npos);
  // The revoked token no longer pays.
  WideString rrn, receiptNum, receipt;
  try {
    driver_->PayByPaymentCard(0, Rubles(100000), rrn, receiptNum, receipt);
    FAIL() << "no failure";
  } catch (const EquException& e) {
    EXPECT_EQ(e.Code(), 401);
  }
}

TEST(AcquiringPortsTest, OperationsNameTheMissingPort) {
  SimulatedTime time;
  TVornPorts ports;
  ports.windows = std::make_shared<SimulatedMessageWindows>(time);
  ports.sharedMemory = std::make_shared<InProcessSharedMemory>();
  ports.heap = std::make_shared<posix::PosixProcessHeap>();
  ports.codePage = std::make_shared<posix::IconvCodePage>();
  const std::filesystem::path before = std::filesystem::current_path();
  TVornDriver driver(ports);  // the hand-off alone needs no more
  // Nothing is extracted: the host's current directory stays where it was.
  EXPECT_EQ(std::filesystem::current_path(), before);
  try {
    driver.Open(TVornConfiguration{});
    FAIL() << "no failure";
  } catch (const std::logic_error& e) {
    EXPECT_NE(std::string(e.what()).find("HTTP transport"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace equ::testing
