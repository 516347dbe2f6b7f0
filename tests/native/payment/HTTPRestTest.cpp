#include <gtest/gtest.h>

#include <unistd.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "PaymentFixture.h"
#include "equipment/common/a_vorn/TrafficLog.h"
#include "payment/PaymentScenario.h"

namespace equ::testing {
namespace {

using HTTPRestTest = PaymentFixture;

// A local port that nothing listens on: bound once by us, then released.
int ClosedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

struct Outcome {
  WideString response = u"stale";
  std::int32_t code = 12345;
  WideString description = u"stale";
};

Outcome Request(THTTPRest& rest, TMethodType method, const WideString& path,
                const WideString& data = {}) {
  Outcome outcome;
  rest.MakeRequest(method, path, data, outcome.response, outcome.code, outcome.description);
  return outcome;
}

TEST_F(HTTPRestTest, AnUnreachableAddressGivesMinusOneAndTheConnectionError) {
  auto rest = MakeRest(true);
  rest->SetServerAddress(u"https://localhost:" + IntToWide(ClosedPort()) + u"/");
  const Outcome outcome = Request(*rest, TMethodType::mtGet, u"service/health/");
  EXPECT_EQ(outcome.code, -1);
  EXPECT_EQ(outcome.response, u"");
  EXPECT_NE(outcome.description.find(u"Failed to connect"), WideString::npos)
      << WideToUtf8(outcome.description);
  EXPECT_NE(DailyLog(LogFolder()).find("Failed: Failed to connect"), std::string::npos);
}

TEST_F(HTTPRestTest, AnUnknownHostGivesMinusOneAndTheResolverError) {
  auto rest = MakeRest(false);
  rest->SetServerAddress(u"https://no-such-host.invalid/");
  const Outcome outcome = Request(*rest, TMethodType::mtGet, u"service/health/");
  EXPECT_EQ(outcome.code, -1);
  EXPECT_NE(outcome.description.find(u"resolve"), WideString::npos)
      << WideToUtf8(outcome.description);
}

TEST_F(HTTPRestTest, AnUntrustedCertificateIsAFailureNotAReply) {
  THTTPRestPorts ports = Ports();
  ports.transport = CreatePlatformHttpTransport();  // the system's CA store only
  THTTPRest rest(ports, false);
  rest.SetServerAddress(Utf8ToWide(BaseAddress()));
  rest.SetLogDir(Utf8ToWide(LogFolder().string()));
  const Outcome outcome = Request(rest, TMethodType::mtGet, u"service/health/");
  EXPECT_EQ(outcome.code, -1);
  EXPECT_NE(outcome.description.find(u"certificate"), WideString::npos)
      << WideToUtf8(outcome.description);
}

TEST_F(HTTPRestTest, A404GivesItsStatusAnEmptyResponseAndTheErrorContent) {
  WideString token, response;
  device_.AuthenticationRequest(token, response);
  auto rest = MakeRest(true);
  rest->AddCustomHeader(u"X-Vorn-Application-Token", WideString(u"apptoken ") + kAppToken);
  rest->AddCustomHeader(u"X-Vorn-Authorization", u"token " + token);
  for (const TMethodType method : {TMethodType::mtGet, TMethodType::mtPost}) {
    const Outcome outcome = Request(*rest, method, u"no/such/endpoint/", u"{}");
    EXPECT_EQ(outcome.code, 404);
    EXPECT_EQ(outcome.response, u"");
    EXPECT_EQ(outcome.description, u"{\"error\":\"not_found\",\"message\":\"endpoint not found\"}");
  }
}

TEST_F(HTTPRestTest, ASuccessGivesTheBodyAndNoDescription) {
  auto rest = MakeRest(false);
  const Outcome outcome = Request(*rest, TMethodType::mtGet, u"service/health/");
  EXPECT_EQ(outcome.code, 200);
  EXPECT_EQ(outcome.response, u"{\"status\":\"ok\"}");
  EXPECT_EQ(outcome.description, u"");
}

TEST_F(HTTPRestTest, DeleteSendsNothingAndAnswersAClearFailure) {
  auto rest = MakeRest(true);
  const Outcome outcome = Request(*rest, TMethodType::mtDelete, u"invoices/x");
  EXPECT_EQ(outcome.code, -1);
  EXPECT_NE(outcome.description.find(u"DELETE"), WideString::npos);
  EXPECT_EQ(outcome.response, u"");
  EXPECT_TRUE(Control().Requests().empty());
}

TEST_F(HTTPRestTest, CustomHeadersAndBodiesArriveAsUtf8Bytes) {
  auto rest = MakeRest(false);
  rest->AddCustomHeader(u"X-Note", u"Касса №1");
  Request(*rest, TMethodType::mtPost, u"service/health/", u"{\"k\":\"ё\"}");
  const auto records = Control().Requests();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Header("X-Note"),
            std::optional<std::string>("\xD0\x9A\xD0\xB0\xD1\x81\xD1\x81\xD0\xB0 \xE2\x84\x96"
                                       "1"));
  EXPECT_EQ(records[0].body, "{\"k\":\"\xD1\x91\"}");
}

TEST_F(HTTPRestTest, CustomHeadersStayUntilReplaced) {
  auto rest = MakeRest(false);
  rest->AddCustomHeader(u"X-Once", u"1");
  Request(*rest, TMethodType::mtGet, u"service/health/");
  Request(*rest, TMethodType::mtGet, u"service/health/");
  rest->ClearCustomHeaders();
  Request(*rest, TMethodType::mtGet, u"service/health/");
  const auto records = Control().Requests();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].Header("X-Once"), std::optional<std::string>("1"));
  EXPECT_EQ(records[1].Header("X-Once"), std::optional<std::string>("1"));
  EXPECT_EQ(records[2].Header("X-Once"), std::nullopt);
}

TEST_F(HTTPRestTest, WithLoggingOffNoFileIsWrittenButTheFolderIsCreated) {
  const std::filesystem::path nested = LogFolder() / "deeper" / "still";
  auto rest = MakeRest(false);
  rest->SetLogDir(Utf8ToWide(nested.string()));
  EXPECT_EQ(Request(*rest, TMethodType::mtGet, u"service/health/").code, 200);
  ASSERT_TRUE(std::filesystem::is_directory(nested));
  EXPECT_TRUE(std::filesystem::is_empty(nested));
  EXPECT_EQ(std::filesystem::status(nested).permissions() & std::filesystem::perms::others_write,
            std::filesystem::perms::others_write)
      << "opened to every user";
}

TEST_F(HTTPRestTest, WithoutALogDirTheModuleLogFolderIsUsed) {
  const std::filesystem::path common = LogFolder() / "common-appdata";
  const char* saved = std::getenv("EQU_COMMON_APPDATA");
  const std::string savedValue = saved ? saved : "";
  setenv("EQU_COMMON_APPDATA", common.c_str(), 1);
  auto rest = MakeRest(true);
  rest->SetLogDir(u"");
  const Outcome outcome = Request(*rest, TMethodType::mtGet, u"service/health/");
  if (saved) {
    setenv("EQU_COMMON_APPDATA", savedValue.c_str(), 1);
  } else {
    unsetenv("EQU_COMMON_APPDATA");
  }
  EXPECT_EQ(outcome.code, 200);
  const std::string log = DailyLog(common / "Movak" / "a_vorn" / "logs");
  EXPECT_NE(log.find("GET /service/health/ HTTP/1.1"), std::string::npos);
  EXPECT_NE(log.find("{\"status\":\"ok\"}"), std::string::npos);
}

TEST_F(HTTPRestTest, ALogFolderThatCannotBeMadeIsATransportFailure) {
  const std::filesystem::path blocker = LogFolder() / "file";
  std::filesystem::create_directories(LogFolder());
  { std::ofstream(blocker) << "x"; }
  auto rest = MakeRest(true);
  rest->SetLogDir(Utf8ToWide((blocker / "logs").string()));
  const Outcome outcome = Request(*rest, TMethodType::mtGet, u"service/health/");
  EXPECT_EQ(outcome.code, -1);
  EXPECT_NE(outcome.description.find(u"журнала"), WideString::npos);
  EXPECT_TRUE(Control().Requests().empty());
}

TEST(TrafficLogMaskTest, SecretsKeepOnlyTheirSchemeAndAShortTail) {
  struct Case {
    const char* value;
    const char* masked;
  };
  for (const Case& c : {Case{"apptoken app-token-0001", "apptoken ****0001"},
                        Case{"token 6a276cbb-c32f-46fd-afe8-6e97e9a4b974", "token ****b974"},
                        Case{"token short", "token ****"}, Case{"nospace1234567890", "****7890"},
                        Case{"", "****"}}) {
    EXPECT_EQ(MaskSecret(c.value), c.masked) << c.value;
  }
}

TEST(TrafficLogMaskTest, OnlyTheTokenHeadersAreMasked) {
  const std::string head =
      "POST /x HTTP/1.1\r\nHost: h\r\nx-vorn-application-token: apptoken app-token-0001\r\n"
      "X-Vorn-Authorization:token 0123456789abcdef\r\nX-Vorn-Idempotent-Key: k-1\r\n";
  EXPECT_EQ(MaskSecretHeaders(head),
            "POST /x HTTP/1.1\r\nHost: h\r\nx-vorn-application-token: apptoken ****0001\r\n"
            "X-Vorn-Authorization: token ****cdef\r\nX-Vorn-Idempotent-Key: k-1\r\n");
}

TEST(TrafficLogMaskTest, TokenMembersOfBodiesAreMasked) {
  EXPECT_EQ(MaskTokenMembers(R"({"token" : "token/6a276cbb-c32f-46fd","terminal":"T"})"),
            R"({"token" : "****46fd","terminal":"T"})");
  EXPECT_EQ(MaskTokenMembers(R"({"token":5,"x":"token"})"), R"({"token":5,"x":"token"})");
  EXPECT_EQ(MaskTokenMembers(R"({"token":"unterminated)"), R"({"token":"unterminated)");
}

}  // namespace
}  // namespace equ::testing
