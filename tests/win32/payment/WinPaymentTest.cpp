// The payment-service client of the Windows build against the native local payment service,
// through WinHTTP. Started by run_payment_check.sh, which runs the service and passes its base
// address (EQU_PAYMENT_SERVICE) and certificate (EQU_PAYMENT_CERT, a PEM file).
#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "equipment/common/Exceptions.h"
#include "equipment/common/LogTimeStamp.h"
#include "equipment/common/a_vorn/Device.h"
#include "payment/PaymentScenario.h"
#include "platform/Clock.h"
#include "platform/PlatformPorts.h"

namespace equ::testing {
namespace {

std::string EnvironmentText(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

struct StoreCloser {
  void operator()(HCERTSTORE store) const { CertCloseStore(store, 0); }
};
using CertificateStore = std::unique_ptr<void, StoreCloser>;

// The machine's root store. A registry store writes its changes when it is closed (and a
// certificate taken from it keeps it open): only then does the chain engine see them.
CertificateStore OpenMachineRoot() {
  return CertificateStore(
      CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root"));
}

// Puts the service's certificate into the machine's root store for the test run (the prefix
// is the tests' own) and takes it out again at the end.
class TrustedServiceCertificate : public ::testing::Environment {
 public:
  void SetUp() override {
    std::ifstream in(EnvironmentText("EQU_PAYMENT_CERT"), std::ios::binary);
    ASSERT_TRUE(in) << "EQU_PAYMENT_CERT names no readable file";
    std::stringstream pem;
    pem << in.rdbuf();
    const std::string text = pem.str();
    DWORD size = 0;
    ASSERT_TRUE(CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()),
                                     CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr));
    der_.assign(size, '\0');
    ASSERT_TRUE(CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()),
                                     CRYPT_STRING_BASE64HEADER, Der(), &size, nullptr, nullptr));
    const CertificateStore root = OpenMachineRoot();
    ASSERT_TRUE(root) << GetLastError();
    ASSERT_TRUE(CertAddEncodedCertificateToStore(root.get(), X509_ASN_ENCODING, Der(), size,
                                                 CERT_STORE_ADD_REPLACE_EXISTING, nullptr))
        << GetLastError();
  }

  void TearDown() override {
    if (der_.empty()) return;
    const CertificateStore root = OpenMachineRoot();
    PCCERT_CONTEXT ours =
        CertCreateCertificateContext(X509_ASN_ENCODING, Der(), static_cast<DWORD>(der_.size()));
    if (!root || ours == nullptr) return;
    PCCERT_CONTEXT stored = CertFindCertificateInStore(root.get(), X509_ASN_ENCODING, 0,
                                                       CERT_FIND_EXISTING, ours, nullptr);
    if (stored != nullptr) CertDeleteCertificateFromStore(stored);  // frees `stored`
    CertFreeCertificateContext(ours);
  }

 private:
  BYTE* Der() { return reinterpret_cast<BYTE*>(der_.data()); }
  std::string der_;
};

const auto* const kTrust = ::testing::AddGlobalTestEnvironment(new TrustedServiceCertificate);

class WinPaymentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(base_.rfind("https://localhost:", 0), 0u) << "EQU_PAYMENT_SERVICE: " << base_;
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    logFolder_ = std::filesystem::temp_directory_path() / "equ-win-payment" / test->name();
    std::filesystem::remove_all(logFolder_);
    control_.Reset();
    control_.SetTokenPrefix("token/");
    device_.Enable();
    device_.HTTPRest()->SetServerAddress(Utf8ToWide(base_));
    device_.HTTPRest()->SetLogDir(logFolder_.u16string());
    device_.SetApplicationToken(kAppToken);
    device_.SetTerminalKey(u"TERM-0042");
    device_.SetCurrencyCode(u"RUB");
  }

  std::string DailyLog(const std::filesystem::path& folder) const {
    const std::filesystem::path file =
        folder / (u"http_" + LogFileDate(Platform().clock->Now()) + u".log");
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::string base_ = EnvironmentText("EQU_PAYMENT_SERVICE");
  ServiceControl control_{base_, CreatePlatformHttpTransport()};
  TDevice device_{PlatformHTTPRestPorts()};
  std::filesystem::path logFolder_;
};

TEST_F(WinPaymentTest, EveryOperationSendsExactlyWhatTheNativeClientSends) {
  const std::vector<ExpectedRequest> expected = RunEveryOperation(device_);
  ExpectRecorded(expected, control_.Requests());
}

TEST_F(WinPaymentTest, CyrillicCurrencyTravelsAsUtf8) {
  device_.SetCurrencyCode(u"руб");
  WideString token, response, invoice;
  device_.AuthenticationRequest(token, response);
  device_.SetAuthorizationToken(token);
  device_.SetIdempotencyKey(u"k-cyr");
  device_.CreateInvoice(15000, invoice, response);
  const auto records = control_.Requests();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(
      records[1].body,
      "{\"currency\":\"\xD1\x80\xD1\x83\xD0\xB1\",\"total\":15000,\"items\":[{\"price\":15000,"
      "\"quantity\":1,\"amount\":15000}]}");
  EXPECT_NE(response.find(u"\"currency\":\"руб\""), WideString::npos);
}

TEST_F(WinPaymentTest, A401RaisesWithTheServiceText) {
  device_.SetAuthorizationToken(u"00000000-0000-4000-8000-000000000000");
  WideString response;
  try {
    device_.GetUnitsList(response);
    FAIL() << "no exception";
  } catch (const EquException& e) {
    EXPECT_EQ(e.Code(), 401);
    EXPECT_NE(e.Message().find(u"invalid or missing authorization token"), WideString::npos);
  }
}

TEST_F(WinPaymentTest, A404GivesItsStatusAnEmptyResponseAndTheErrorContent) {
  WideString token, response;
  device_.AuthenticationRequest(token, response);
  THTTPRest& rest = *device_.HTTPRest();
  rest.ClearCustomHeaders();
  rest.AddCustomHeader(u"X-Vorn-Application-Token", WideString(u"apptoken ") + kAppToken);
  rest.AddCustomHeader(u"X-Vorn-Authorization", u"token " + token);
  std::int32_t code = 0;
  WideString description;
  rest.MakeRequest(TMethodType::mtGet, u"invoices/00000000-0000-4000-8000-00000000dead", u"",
                   response, code, description);
  EXPECT_EQ(code, 404);
  EXPECT_EQ(response, u"");
  EXPECT_EQ(description, u"{\"error\":\"not_found\",\"message\":\"invoice not found\"}");
}

TEST_F(WinPaymentTest, AnUnreachableAddressGivesMinusOneAndTheConnectionError) {
  device_.HTTPRest()->SetServerAddress(u"https://localhost:1/");
  WideString response;
  device_.GetServiceState(response);
  EXPECT_EQ(device_.CodeResult(), -1);
  EXPECT_NE(device_.ResultDescription().find(u"WinHTTP 12029"), WideString::npos)
      << WideToUtf8(device_.ResultDescription());
}

TEST_F(WinPaymentTest, TheTrafficLogHoldsTheExchangeWithTheTokensMasked) {
  WideString token, response, invoice;
  device_.AuthenticationRequest(token, response);
  device_.SetAuthorizationToken(token);
  device_.SetIdempotencyKey(u"k-log");
  device_.CreateInvoice(15000, invoice, response);
  const std::string log = DailyLog(logFolder_);
  ASSERT_FALSE(log.empty());
  EXPECT_NE(log.find("POST /invoices/ HTTP/1.1"), std::string::npos) << log;
  EXPECT_NE(log.find("X-Vorn-Idempotent-Key: k-log"), std::string::npos);
  EXPECT_NE(log.find("HTTP/1.1 201"), std::string::npos);
  EXPECT_NE(log.find("X-Vorn-Application-Token: apptoken ****0001"), std::string::npos);
  EXPECT_EQ(log.find(WideToUtf8(kAppToken)), std::string::npos);
  EXPECT_EQ(log.find(WideToUtf8(token)), std::string::npos) << "the authorization token in full";
}

TEST_F(WinPaymentTest, WithLoggingOffNoFileIsWrittenButTheFolderIsCreated) {
  THTTPRest rest(PlatformHTTPRestPorts(), false);
  rest.SetServerAddress(Utf8ToWide(base_));
  const std::filesystem::path nested = logFolder_ / "deeper";
  rest.SetLogDir(nested.u16string());
  WideString response, description;
  std::int32_t code = 0;
  rest.MakeRequest(TMethodType::mtGet, u"service/health/", u"", response, code, description);
  EXPECT_EQ(code, 200);
  ASSERT_TRUE(std::filesystem::is_directory(nested));
  EXPECT_TRUE(std::filesystem::is_empty(nested));
}

}  // namespace
}  // namespace equ::testing

namespace equ::testing {
namespace {

TEST_F(WinPaymentTest, ACyrillicHeaderArrivesAsUtf8Bytes) {
  THTTPRest rest(PlatformHTTPRestPorts(), false);
  rest.SetServerAddress(Utf8ToWide(base_));
  rest.SetLogDir(logFolder_.u16string());
  rest.AddCustomHeader(u"X-Note", u"Касса №1");
  WideString response, description;
  std::int32_t code = 0;
  rest.MakeRequest(TMethodType::mtGet, u"service/health/", u"", response, code, description);
  EXPECT_EQ(code, 200) << WideToUtf8(description);
  const auto records = control_.Requests();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Header("X-Note"),
            std::optional<std::string>("\xD0\x9A\xD0\xB0\xD1\x81\xD1\x81\xD0\xB0 \xE2\x84\x96"
                                       "1"));
}

}  // namespace
}  // namespace equ::testing
