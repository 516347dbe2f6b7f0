#include "Device.h"

#include <cstdio>
#include <limits>
#include <utility>

#include "equipment/common/Exceptions.h"
#include "equipment/common/ResultCodes.h"

namespace equ {

namespace {

using Json = nlohmann::ordered_json;

constexpr char16_t kApplicationTokenHeader[] = u"X-Vorn-Application-Token";
constexpr char16_t kAuthorizationHeader[] = u"X-Vorn-Authorization";
constexpr char16_t kIdempotencyHeader[] = u"X-Vorn-Idempotent-Key";
constexpr char16_t kTokenMark[] = u"token/";
constexpr std::size_t kTokenMarkLength = 6;
// The length of a textual UUID: the service's invoice ids end with one.
constexpr std::size_t kInvoiceIdLength = 36;

std::string Utf8(const WideString& text) {
  return WideToUtf8(text);
}

Json ParseReply(const WideString& response) {
  return Json::parse(Utf8(response), nullptr, /*allow_exceptions=*/false);
}

WideString StringMember(const Json& object, const char* name) {
  if (!object.is_object()) return WideString();
  const auto member = object.find(name);
  if (member == object.end() || !member->is_string()) return WideString();
  return Utf8ToWide(member->get_ref<const std::string&>());
}

WideString LastChars(const WideString& text, std::size_t count) {
  return text.size() <= count ? text : text.substr(text.size() - count);
}

std::int32_t CheckedAmount(std::int64_t amount) {
  if (amount < std::numeric_limits<std::int32_t>::min() ||
      amount > std::numeric_limits<std::int32_t>::max()) {
    throw EquException(
        kResultBadParameters,
        u"Сумма " + IntToWide(amount) + u" в копейках не помещается в 32-битное целое число");
  }
  return static_cast<std::int32_t>(amount);
}

WideString TwoDigits(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", value % 100);
  return Utf8ToWide(text);
}

// "0.00": two decimals, rounded half away from zero, with "." as the separator.
WideString AmountText(Currency amount) {
  const bool negative = amount.scaled < 0;
  const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(amount.scaled)
                                           : static_cast<std::uint64_t>(amount.scaled);
  const std::uint64_t hundredths = (magnitude + 50) / 100;
  char text[40];
  std::snprintf(text, sizeof text, "%s%llu.%02llu", negative && hundredths != 0 ? "-" : "",
                static_cast<unsigned long long>(hundredths / 100),
                static_cast<unsigned long long>(hundredths % 100));
  return Utf8ToWide(text);
}

}  // namespace

std::string CompactJson(const Json& value) {
  return value.dump(-1, ' ', /*ensure_ascii=*/false, Json::error_handler_t::replace);
}

TDevice::TDevice(THTTPRestPorts ports) : ports_(std::move(ports)) {}

TDevice::~TDevice() = default;

void TDevice::Enable() {
  FHTTPRest = std::make_unique<THTTPRest>(ports_, true);
}

void TDevice::Disable() {
  FHTTPRest.reset();
}

THTTPRest& TDevice::Transport() const {
  if (!FHTTPRest) throw EquException(kResultDeviceNotEnabled, WideString());
  return *FHTTPRest;
}

void TDevice::SetBody(const Json& body) {
  FXRequest = body;
  FData = Utf8ToWide(CompactJson(FXRequest));
}

void TDevice::ClearBody() {
  FXRequest = Json::object();
  FData.clear();
}

void TDevice::SetHeaders(unsigned sets) {
  THTTPRest& rest = Transport();
  rest.ClearCustomHeaders();
  if (sets & hsApplication)
    rest.AddCustomHeader(kApplicationTokenHeader, u"apptoken " + FApplicationToken);
  if (sets & hsAuthorization)
    rest.AddCustomHeader(kAuthorizationHeader, u"token " + FAuthorizationToken);
  if (sets & hsIdempotency) rest.AddCustomHeader(kIdempotencyHeader, FIdempotencyKey);
}

void TDevice::Send(TMethodType AMethod, const WideString& APath, WideString& AResponse) {
  Transport().MakeRequest(AMethod, APath, FData, AResponse, FCodeResult, FResultDescription);
}

void TDevice::GetResult() const {
  if (FCodeResult == -1 || FCodeResult >= 300) throw EquException(FCodeResult, FResultDescription);
}

void TDevice::AuthenticationRequest(WideString& AAuthorizationToken, WideString& AResponse) {
  AAuthorizationToken.clear();
  AResponse.clear();
  SetBody(Json{{"terminal", Utf8(FTerminalKey)}});
  SetHeaders(hsApplication);
  Send(TMethodType::mtPost, u"authentication/request/", AResponse);
  const WideString token = StringMember(ParseReply(AResponse), "token");
  if (token.find(kTokenMark) != WideString::npos)
    AAuthorizationToken = token.substr(kTokenMarkLength);
  GetResult();
}

void TDevice::AuthenticationStatus(WideString& AResponse) {
  AResponse.clear();
  ClearBody();
  SetHeaders(hsApplication | hsAuthorization);
  Send(TMethodType::mtGet, u"authentication/status/", AResponse);
  GetResult();
}

void TDevice::AuthenticationRevoke(WideString& AResponse) {
  AResponse.clear();
  ClearBody();
  SetHeaders(hsApplication | hsAuthorization);
  Send(TMethodType::mtPost, u"authentication/revoke/", AResponse);
  GetResult();
}

void TDevice::GetServiceState(WideString& AResponse) {
  AResponse.clear();
  // The previous request's custom headers go out again: they are not touched here.
  ClearBody();
  Send(TMethodType::mtGet, u"service/health/", AResponse);
}

void TDevice::CreateInvoice(std::int64_t AAmount, WideString& AInvoiceID, WideString& AResponse) {
  AInvoiceID.clear();
  AResponse.clear();
  const std::int32_t amount = CheckedAmount(AAmount);
  SetBody(
      Json{{"currency", Utf8(FCurrency)},
           {"total", amount},
           {"items", Json::array({Json{{"price", amount}, {"quantity", 1}, {"amount", amount}}})}});
  SetHeaders(hsApplication | hsAuthorization | hsIdempotency);
  Send(TMethodType::mtPost, u"invoices/", AResponse);
  AInvoiceID = LastChars(StringMember(ParseReply(AResponse), "id"), kInvoiceIdLength);
  GetResult();
}

void TDevice::GetInvoice(const WideString& AID, WideString& AResponse) {
  AResponse.clear();
  ClearBody();
  SetHeaders(hsApplication | hsAuthorization);
  Send(TMethodType::mtGet, u"invoices/" + AID, AResponse);
  GetResult();
}

void TDevice::PayInvoice(const WideString& AID, const WideString& AWalletUUID, WideString& ChargeID,
                         WideString& AResponse) {
  ChargeID.clear();
  AResponse.clear();
  SetBody(Json{{"source", Utf8(AWalletUUID)}});
  SetHeaders(hsApplication | hsAuthorization | hsIdempotency);
  Send(TMethodType::mtPost, u"invoices/" + AID + u"/capture/", AResponse);
  const Json reply = ParseReply(AResponse);
  if (reply.is_object()) {
    const auto charges = reply.find("charges");
    if (charges != reply.end() && charges->is_array() && !charges->empty()) {
      ChargeID = StringMember(charges->front(), "id");
    }
  }
  GetResult();
}

void TDevice::VoidInvoice(const WideString& AID, WideString& AResponse) {
  AResponse.clear();
  ClearBody();
  SetHeaders(hsApplication | hsAuthorization | hsIdempotency);
  Send(TMethodType::mtPost, u"invoices/" + AID + u"/void/", AResponse);
  GetResult();
}

void TDevice::CreateRefund(std::int64_t AAmount, const WideString& AChargeID, WideString& ARefundID,
                           WideString& AResponse) {
  ARefundID.clear();
  AResponse.clear();
  const std::int32_t amount = CheckedAmount(AAmount);
  SetBody(Json{{"amount", amount},
               {"charge", Utf8(AChargeID)},
               {"currency", Utf8(FCurrency)},
               {"reason", "requested_by_customer"}});
  SetHeaders(hsApplication | hsAuthorization | hsIdempotency);
  Send(TMethodType::mtPost, u"refunds/", AResponse);
  ARefundID = StringMember(ParseReply(AResponse), "id");
  GetResult();
}

void TDevice::VoidRefund(const WideString& AID, WideString& AResponse) {
  AResponse.clear();
  ClearBody();
  SetHeaders(hsApplication | hsAuthorization | hsIdempotency);
  Send(TMethodType::mtPost, u"refunds/" + LastChars(AID, kInvoiceIdLength) + u"/void/", AResponse);
  GetResult();
}

void TDevice::GetRefundList(WideString& AResponse) {
  AResponse.clear();
  ClearBody();
  SetHeaders(hsApplication | hsAuthorization);
  Send(TMethodType::mtGet, u"refunds/", AResponse);
  GetResult();
}

void TDevice::GetUnitsList(WideString& AResponse) {
  AResponse.clear();
  ClearBody();
  SetHeaders(hsApplication | hsAuthorization);
  Send(TMethodType::mtGet, u"units/", AResponse);
  GetResult();
}

WideString TDevice::FormatReceiptRow(const WideString& ALeft, const WideString& ARight) const {
  const std::int64_t room =
      static_cast<std::int64_t>(FReceiptRowLength) - static_cast<std::int64_t>(ALeft.size());
  const std::int64_t blanks = room - static_cast<std::int64_t>(ARight.size());
  return ALeft + WideString(blanks > 0 ? static_cast<std::size_t>(blanks) : 0, u' ') + ARight;
}

WideString TDevice::GetReceiptText(const LocalDateTime& ADateTime, const WideString& AOperType,
                                   const WideString& ARRN, Currency AAmount) const {
  const WideString date = TwoDigits(ADateTime.day) + u"." + TwoDigits(ADateTime.month) + u"." +
                          TwoDigits(ADateTime.year);
  const WideString time = TwoDigits(ADateTime.hour) + u":" + TwoDigits(ADateTime.minute);
  WideString text;
  const auto row = [&](const WideString& left, const WideString& right) {
    text += FormatReceiptRow(left, right) + u"\r\n";
  };
  row(u"Номер терминала:", WideString());
  row(WideString(), FTerminalKey);
  row(u"Дата: " + date, u"Время: " + time);
  row(u"Операция:", AOperType);
  row(u"Сумма:", AmountText(AAmount));
  if (!ARRN.empty()) {
    row(u"RRN:", WideString());
    row(WideString(), ARRN);
  }
  return text;
}

Json TDevice::AsJSONObject() const {
  return Json{{"codeResult", FCodeResult},
              {"resultDescription", Utf8(FResultDescription)},
              {"receiptRowLength", FReceiptRowLength},
              {"terminalKey", Utf8(FTerminalKey)},
              {"applicationToken", Utf8(FApplicationToken)},
              {"authorizationToken", Utf8(FAuthorizationToken)},
              {"idempotencyKey", Utf8(FIdempotencyKey)},
              {"currency", Utf8(FCurrency)},
              {"data", Utf8(FData)}};
}

// The object has no date fields, so UniversalTime changes nothing.
WideString TDevice::AsJSON(bool Ident, bool /*UniversalTime*/) const {
  return Utf8ToWide(
      AsJSONObject().dump(Ident ? 2 : -1, ' ', false, Json::error_handler_t::replace));
}

void TDevice::AssignFromJSON(const WideString& AJSON) {
  const Json parsed = Json::parse(Utf8(AJSON), nullptr, /*allow_exceptions=*/false);
  if (!parsed.is_object()) throw Exception(u"Текст не является объектом JSON: " + AJSON);
  AssignFromJSON(parsed);
}

void TDevice::AssignFromJSON(const Json& AJSON) {
  const auto readText = [&](const char* name, WideString& field) {
    const auto member = AJSON.find(name);
    if (member != AJSON.end() && member->is_string())
      field = Utf8ToWide(member->get<std::string>());
  };
  const auto readNumber = [&](const char* name, std::int32_t& field) {
    const auto member = AJSON.find(name);
    if (member != AJSON.end() && member->is_number_integer()) field = member->get<std::int32_t>();
  };
  if (!AJSON.is_object()) throw Exception(u"Ожидается объект JSON");
  readNumber("codeResult", FCodeResult);
  readText("resultDescription", FResultDescription);
  readNumber("receiptRowLength", FReceiptRowLength);
  readText("terminalKey", FTerminalKey);
  readText("applicationToken", FApplicationToken);
  readText("authorizationToken", FAuthorizationToken);
  readText("idempotencyKey", FIdempotencyKey);
  readText("currency", FCurrency);
  readText("data", FData);
}

}  // namespace equ
