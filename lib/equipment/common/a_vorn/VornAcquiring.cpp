// The acquiring operations of TVornDriver: payment, return, cancel, reversal, the terminal's
// token and the two waits for the customer.
#include <nlohmann/json.hpp>

#include "Device.h"
#include "UserDialog.h"
#include "VornDriver.h"
#include "equipment/common/Exceptions.h"
#include "equipment/common/ResultCodes.h"
#include "platform/PlatformPorts.h"
#include "platform/RequiredPort.h"

namespace equ {

namespace {

using Json = nlohmann::ordered_json;

constexpr char16_t kNoCustomerCode[] = u"Ошибка получения QR-кода клиента";
constexpr char16_t kInvoiceNotPaid[] = u"Счет не был оплачен";
constexpr char16_t kInvoiceTimeout[] = u"Истек таймаут ожидания оплаты счета";
constexpr char16_t kNothingToReverse[] = u"Не зафиксировано операции для отмены";
constexpr char16_t kNotSupported[] = u"Метод не поддерживается";
constexpr char16_t kWaitingForPayment[] = u"Ожидание оплаты счета...";
constexpr char16_t kPaymentOperation[] = u"Оплата картой";
constexpr char16_t kReturnOperation[] = u"Возврат платежа по карте";
constexpr char16_t kCancelOperation[] = u"Отмена платежа по карте";

// Blanks and control characters.
bool IsBlankCharacter(char16_t c) {
  return c <= u' ';
}

bool IsBlank(const WideString& text) {
  for (char16_t c : text) {
    if (!IsBlankCharacter(c)) return false;
  }
  return true;
}

bool ContainsAsciiNoCase(const WideString& text, std::u16string_view word) {
  WideString lower = text;
  for (char16_t& c : lower) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return lower.find(word) != WideString::npos;
}

// Runs the action when the scope ends, failure or not.
template <typename Action>
class AtScopeEnd {
 public:
  explicit AtScopeEnd(Action action) : action_(std::move(action)) {}
  ~AtScopeEnd() { action_(); }
  AtScopeEnd(const AtScopeEnd&) = delete;
  AtScopeEnd& operator=(const AtScopeEnd&) = delete;

 private:
  Action action_;
};

// A time-out in seconds as milliseconds; a negative one counts as none.
std::uint64_t SecondsInMs(std::int32_t seconds) {
  return seconds > 0 ? static_cast<std::uint64_t>(seconds) * 1000 : 0;
}

Json ParseReply(const WideString& response) {
  return Json::parse(WideToUtf8(response), nullptr, /*allow_exceptions=*/false);
}

std::string LowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool InvoiceIsPaid(const Json& invoice) {
  if (!invoice.is_object()) return false;
  const auto status = invoice.find("status");
  return status != invoice.end() && status->is_string() &&
         LowerAscii(status->get<std::string>()) == "paid";
}

WideString FirstChargeId(const Json& invoice) {
  if (!invoice.is_object()) return WideString();
  const auto charges = invoice.find("charges");
  if (charges == invoice.end() || !charges->is_array() || charges->empty()) return WideString();
  const Json& charge = charges->front();
  if (!charge.is_object()) return WideString();
  const auto id = charge.find("id");
  if (id == charge.end() || !id->is_string()) return WideString();
  return Utf8ToWide(id->get<std::string>());
}

}  // namespace

std::int64_t AmountInMinorUnits(Currency amount) {
  // The currency value holds ten-thousandths: hundredths are a division by 100.
  const std::int64_t quotient = amount.scaled / 100;
  const std::int64_t remainder = amount.scaled % 100;
  const std::int64_t twice = remainder < 0 ? -2 * remainder : 2 * remainder;
  const std::int64_t away = remainder < 0 ? -1 : 1;
  if (twice > 100 || (twice == 100 && quotient % 2 != 0)) return quotient + away;
  return quotient;
}

TVornPorts AcquiringPortsOf(const PlatformPorts& platform, const std::string& caFile) {
  TVornPorts ports = VornPortsOf(platform);
  ports.rest = PlatformHTTPRestPorts(caFile);
  ports.guids = platform.guids;
  ports.ticks = platform.ticks;
  ports.userDialogs = platform.userDialogs;
  ports.sockets = platform.streamSockets;
  return ports;
}

const TVornPorts& TVornDriver::AcquiringPorts() const {
  constexpr const char* kAcquiring = "TVornDriver";
  RequirePort(FPorts.rest.transport, kAcquiring, "HTTP transport");
  RequirePort(FPorts.rest.folders, kAcquiring, "folders");
  RequirePort(FPorts.rest.logFiles, kAcquiring, "log files");
  RequirePort(FPorts.rest.clock, kAcquiring, "clock");
  RequirePort(FPorts.guids, kAcquiring, "GUID source");
  RequirePort(FPorts.ticks, kAcquiring, "tick clock");
  RequirePort(FPorts.userDialogs, kAcquiring, "user dialog views");
  RequirePort(FPorts.sockets, kAcquiring, "stream sockets");
  return FPorts;
}

void TVornDriver::Open(const TVornConfiguration& c) {
  AcquiringPorts();
  // The receipt's amounts are always written with "." (TDevice), so the process-wide decimal
  // separator of the host is left alone.
  FDevice->Disable();
  FDevice->Enable();
  FDevice->HTTPRest()->SetServerAddress(c.AServerAddress);
  FDevice->HTTPRest()->SetLogDir(c.AHTTPLogDir);
  FDevice->SetApplicationToken(c.AApplicationToken);
  FDevice->SetTerminalKey(c.ATerminalKey);
  FDevice->SetAuthorizationToken(c.AAuthorizationToken);
  FDevice->SetCurrencyCode(c.ACurrency);
  FDevice->SetReceiptRowLength(c.AReceiptRowLength);
  FCutString = c.ACutString;
  FDisplayAddress = c.ADisplayAddress;
  FCheckHeader = c.ACheckHeader;
  FDisplayPort = c.ADisplayPort;
  FDuration = c.ADuration;
  FInvoiceTimeout = c.AInvoiceTimeout;
  FBarcodeReadTimeout = c.ABarcodeReadTimeout;
}

void TVornDriver::Close() {
  FDevice->Disable();
}

void TVornDriver::NewIdempotencyKey() {
  PortResult<WideString> guid = AcquiringPorts().guids->NewGuidText();
  if (!guid) throw Exception(guid.error());
  WideString key;
  for (char16_t c : *guid) {
    if (c != u'{' && c != u'}') key += AsciiUpper(c);
  }
  FDevice->SetIdempotencyKey(key);
}

WideString TVornDriver::ReceiptText(const WideString& operation, const WideString& rrn,
                                    Currency amount) const {
  return FDevice->GetReceiptText(FPorts.rest.clock->Now(), operation, rrn, amount);
}

void TVornDriver::VoidInvoiceQuietly(const WideString& invoiceId) {
  try {
    NewIdempotencyKey();
    WideString response;
    FDevice->VoidInvoice(invoiceId, response);
  } catch (const std::exception&) {
    // The payment's own failure is what the caller hears about.
  }
}

void TVornDriver::PayByPaymentCard(std::int32_t AMode, Currency AAmount, WideString& ARRN,
                                   WideString& AReceiptNum, WideString& AReceiptText) {
  AcquiringPorts();
  const std::int64_t amount = AmountInMinorUnits(AAmount);
  NewIdempotencyKey();
  WideString invoiceId;
  FDevice->CreateInvoice(amount, invoiceId, FResponse);
  WideString chargeId;
  WideString receipt;
  try {
    if (AMode == 0) {
      NewIdempotencyKey();
      WideString wallet;
      ReadQRCode(wallet);
      FDevice->PayInvoice(invoiceId, wallet, chargeId, FResponse);
    } else {
      SendQRCodeToDisplay(FPorts.sockets, FDisplayTimeouts, FDisplayAddress, FDisplayPort,
                          FCheckHeader, invoiceId, FDuration);
      WaitInvoicePaid(invoiceId, chargeId);
    }
    receipt = ReceiptText(kPaymentOperation, chargeId, AAmount);
  } catch (const std::exception& e) {
    VoidInvoiceQuietly(invoiceId);
    throw Exception(ExceptionMessage(e));
  }
  if (IsBlank(AReceiptNum)) AReceiptNum = chargeId;
  ARRN = chargeId;
  AReceiptText = receipt;
  FLastOperationType = FOperationType::otPayment;
  FLastOperationID = chargeId;
  FLastOperationAmount = AAmount;
}

void TVornDriver::ReturnPaymantByPaymantCard(Currency AAmount, WideString& ARRN,
                                             WideString& AReceiptNum, WideString& AReceiptText) {
  AcquiringPorts();
  NewIdempotencyKey();
  WideString refundId;
  FDevice->CreateRefund(AmountInMinorUnits(AAmount), ARRN, refundId, FResponse);
  if (IsBlank(AReceiptNum)) AReceiptNum = refundId;
  ARRN = refundId;
  AReceiptText = ReceiptText(kReturnOperation, refundId, AAmount);
  FLastOperationType = FOperationType::otRefund;
  FLastOperationID = refundId;
  FLastOperationAmount = AAmount;
}

void TVornDriver::CancelPaymentByPaymentCard(Currency AAmount, WideString& ARRN,
                                             WideString& AReceiptNum, WideString& AReceiptText) {
  AcquiringPorts();
  if (!ContainsAsciiNoCase(ARRN, u"refund")) {
    ReturnPaymantByPaymantCard(AAmount, ARRN, AReceiptNum, AReceiptText);
    FLastOperationType = FOperationType::otCancelPayment;
  } else {
    NewIdempotencyKey();
    FDevice->VoidRefund(ARRN, FResponse);
    if (IsBlank(AReceiptNum)) AReceiptNum = ARRN;
    AReceiptText = ReceiptText(kCancelOperation, ARRN, AAmount);
    FLastOperationType = FOperationType::otCancelRefund;
  }
  FLastOperationID = ARRN;
  FLastOperationAmount = AAmount;
}

void TVornDriver::EmergencyReversal() {
  AcquiringPorts();
  switch (FLastOperationType) {
    case FOperationType::otNone:
      throw Exception(kNothingToReverse);
    case FOperationType::otPayment: {
      NewIdempotencyKey();
      WideString refundId;
      FDevice->CreateRefund(AmountInMinorUnits(FLastOperationAmount), FLastOperationID, refundId,
                            FResponse);
      return;
    }
    case FOperationType::otRefund:
      NewIdempotencyKey();
      FDevice->VoidRefund(FLastOperationID, FResponse);
      return;
    case FOperationType::otCancelPayment:
    case FOperationType::otCancelRefund:
      throw Exception(kNotSupported);
  }
}

void TVornDriver::AuthenticationRequest(WideString& AAuthorizationToken) {
  AcquiringPorts();
  FDevice->AuthenticationRequest(AAuthorizationToken, FResponse);
}

void TVornDriver::AuthenticationRevoke(const WideString& AAuthorizationToken) {
  AcquiringPorts();
  FDevice->SetAuthorizationToken(AAuthorizationToken);
  FDevice->AuthenticationRevoke(FResponse);
}

void TVornDriver::HandlePendingMessages() {
  (void)FPorts.windows->ServeMessagesUntil([] { return false; }, 0);
}

void TVornDriver::HandleMessagesUntil(std::uint64_t until, const std::function<bool()>& stop) {
  const TickClock& ticks = *FPorts.ticks;
  for (std::uint64_t now = ticks.NowMs(); !stop() && now < until; now = ticks.NowMs()) {
    (void)FPorts.windows->ServeMessagesUntil(stop, static_cast<int>(until - now));
  }
}

void TVornDriver::ShowUserDialog(bool AShowTimerSeconds, const WideString& AUserText) {
  if (TfmUserDialog::Current() == nullptr) {
    FUserDialog = std::make_unique<TfmUserDialog>(
        TUserDialogPorts{FPorts.userDialogs, FPorts.windows}, AShowTimerSeconds, AUserText,
        WindowHandle(), FBarcodeReadTimeout);
  }
  HandlePendingMessages();
}

void TVornDriver::CloseUserDialog() {
  FUserDialog.reset();
}

void TVornDriver::ReadQRCode(WideString& AQRCode) {
  AcquiringPorts();
  AQRCode.clear();
  FScanData.clear();
  FIsScannedOrCancel = false;
  const std::uint64_t start = FPorts.ticks->NowMs();
  const AtScopeEnd closeWait([this] {
    CloseUserDialog();
    CloseMailbox();
  });
  CreateMailbox();
  ShowUserDialog(true, WideString());
  // "More than the timeout has passed": the wait ends one millisecond after it.
  const std::uint64_t until = start + SecondsInMs(FBarcodeReadTimeout) + 1;
  HandleMessagesUntil(until, [this] { return FIsScannedOrCancel; });
  if (IsBlank(FScanData)) throw Exception(kNoCustomerCode);
  AQRCode = FScanData;
}

void TVornDriver::WaitInvoicePaid(const WideString& AInvoiceID, WideString& AChargeID) {
  AcquiringPorts();
  AChargeID.clear();
  const TickClock& ticks = *FPorts.ticks;
  const std::uint64_t start = ticks.NowMs();
  const std::uint64_t limit = SecondsInMs(FInvoiceTimeout);
  FIsScannedOrCancel = false;
  const AtScopeEnd closeDialog([this] { CloseUserDialog(); });
  ShowUserDialog(false, kWaitingForPayment);
  const auto cancelled = [this] { return FIsScannedOrCancel; };
  Json invoice;
  bool paid = false;
  for (;;) {
    const std::uint64_t polled = ticks.NowMs();
    FDevice->GetInvoice(AInvoiceID, FResponse);
    HandlePendingMessages();
    invoice = ParseReply(FResponse);
    paid = InvoiceIsPaid(invoice);
    if (paid || cancelled() || ticks.NowMs() - start > limit) break;
    // The next poll a second after this one, or just after the time is up; a cancel ends the
    // pause at once.
    HandleMessagesUntil(std::min(polled + kInvoicePollIntervalMs, start + limit + 1), cancelled);
    if (cancelled()) break;
  }
  if (FIsScannedOrCancel) throw EquException(kResultUnknownError, kInvoiceNotPaid);
  if (!paid) throw EquException(kResultUnknownError, kInvoiceTimeout);
  AChargeID = FirstChargeId(invoice);
}

}  // namespace equ
