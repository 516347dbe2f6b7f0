#pragma once

#include <cstdint>
#include <memory>

#include <nlohmann/json.hpp>

#include "HTTPRest.h"
#include "equipment/common/Variant.h"
#include "equipment/common/WideString.h"
#include "platform/Clock.h"

namespace equ {

// The client of the payment service's REST API: terminal authentication, invoices, refunds,
// the service's health and its units. Each operation sends one request through THTTPRest,
// keeps its status and error text, takes the needed fields from the reply and raises
// EquException when the request failed (GetServiceState only reports).
class TDevice {
 public:
  explicit TDevice(THTTPRestPorts ports);
  ~TDevice();
  TDevice(const TDevice&) = delete;
  TDevice& operator=(const TDevice&) = delete;

  // Creates the transport with traffic logging on; Disable frees it.
  void Enable();
  void Disable();
  // The transport between Enable and Disable, else null (its address and log folder are set
  // by the acquiring layer).
  THTTPRest* HTTPRest() const { return FHTTPRest.get(); }

  void AuthenticationRequest(WideString& AAuthorizationToken, WideString& AResponse);
  void AuthenticationStatus(WideString& AResponse);
  void AuthenticationRevoke(WideString& AResponse);
  void GetServiceState(WideString& AResponse);
  // Amounts are in minor currency units and must fit 32 bits.
  void CreateInvoice(std::int64_t AAmount, WideString& AInvoiceID, WideString& AResponse);
  void GetInvoice(const WideString& AID, WideString& AResponse);
  void PayInvoice(const WideString& AID, const WideString& AWalletUUID, WideString& ChargeID,
                  WideString& AResponse);
  void VoidInvoice(const WideString& AID, WideString& AResponse);
  void CreateRefund(std::int64_t AAmount, const WideString& AChargeID, WideString& ARefundID,
                    WideString& AResponse);
  void VoidRefund(const WideString& AID, WideString& AResponse);
  void GetRefundList(WideString& AResponse);
  void GetUnitsList(WideString& AResponse);

  // Raises EquException(FCodeResult, FResultDescription) when the last request failed: no
  // reply (-1) or a status of 300 and above.
  void GetResult() const;

  WideString GetReceiptText(const LocalDateTime& ADateTime, const WideString& AOperType,
                            const WideString& ARRN, Currency AAmount) const;
  // The left text, then the right text right-aligned to a row of FReceiptRowLength
  // characters; a right text that does not fit is not cut.
  WideString FormatReceiptRow(const WideString& ALeft, const WideString& ARight) const;

  WideString AsJSON(bool Ident, bool UniversalTime) const;
  nlohmann::ordered_json AsJSONObject() const;
  void AssignFromJSON(const WideString& AJSON);
  void AssignFromJSON(const nlohmann::ordered_json& AJSON);

  std::int32_t CodeResult() const { return FCodeResult; }
  const WideString& ResultDescription() const { return FResultDescription; }
  const WideString& Data() const { return FData; }
  std::int32_t ReceiptRowLength() const { return FReceiptRowLength; }
  void SetReceiptRowLength(std::int32_t length) { FReceiptRowLength = length; }
  const WideString& TerminalKey() const { return FTerminalKey; }
  void SetTerminalKey(const WideString& key) { FTerminalKey = key; }
  const WideString& ApplicationToken() const { return FApplicationToken; }
  void SetApplicationToken(const WideString& token) { FApplicationToken = token; }
  const WideString& AuthorizationToken() const { return FAuthorizationToken; }
  void SetAuthorizationToken(const WideString& token) { FAuthorizationToken = token; }
  const WideString& IdempotencyKey() const { return FIdempotencyKey; }
  void SetIdempotencyKey(const WideString& key) { FIdempotencyKey = key; }
  const WideString& CurrencyCode() const { return FCurrency; }
  void SetCurrencyCode(const WideString& currency) { FCurrency = currency; }

 private:
  enum THeaderSet : unsigned { hsApplication = 1, hsAuthorization = 2, hsIdempotency = 4 };

  THTTPRest& Transport() const;
  void SetBody(const nlohmann::ordered_json& body);
  void ClearBody();
  void SetHeaders(unsigned sets);
  void Send(TMethodType AMethod, const WideString& APath, WideString& AResponse);

  THTTPRestPorts ports_;
  nlohmann::ordered_json FXRequest;
  std::unique_ptr<THTTPRest> FHTTPRest;
  WideString FData;
  std::int32_t FCodeResult = 0;
  WideString FResultDescription;
  std::int32_t FReceiptRowLength = 0;
  WideString FTerminalKey;
  WideString FApplicationToken;
  WideString FAuthorizationToken;
  WideString FIdempotencyKey;
  WideString FCurrency;
};

// Compact JSON text: no blanks or line breaks, non-ASCII characters as themselves, control
// characters escaped (the short escapes where JSON has one, else \u00XX).
std::string CompactJson(const nlohmann::ordered_json& value);

}  // namespace equ
