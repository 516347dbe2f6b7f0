#include "PaymentFixture.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

#include "equipment/common/LogTimeStamp.h"
#include "payment/PaymentScenario.h"
#include "platform/posix/CurlHttpTransport.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixFolders.h"
#include "platform/posix/PosixLogFiles.h"

namespace equ::testing {

std::filesystem::path PaymentFixture::workFolder_;
TestCertificate PaymentFixture::certificate_;
std::unique_ptr<LocalPaymentService> PaymentFixture::service_;
std::unique_ptr<ServiceControl> PaymentFixture::control_;
std::string PaymentFixture::setupError_;

void PaymentFixture::SetUpTestSuite() {
  workFolder_ =
      std::filesystem::temp_directory_path() / ("equ-payment-tests-" + std::to_string(getpid()));
  std::filesystem::remove_all(workFolder_);
  try {
    certificate_ = MakeTestCertificate(workFolder_ / "tls");
    service_ = std::make_unique<LocalPaymentService>(certificate_);
    control_ = std::make_unique<ServiceControl>(service_->BaseAddress(), Ports().transport);
  } catch (const std::exception& e) {
    // Reported by each test's SetUp: a failure here alone would only skip the tests.
    setupError_ = e.what();
  }
}

void PaymentFixture::TearDownTestSuite() {
  control_.reset();
  service_.reset();
  std::filesystem::remove_all(workFolder_);
}

THTTPRestPorts PaymentFixture::Ports() {
  return THTTPRestPorts{
      .transport = std::make_shared<posix::CurlHttpTransport>(certificate_.certFile.string()),
      .folders = std::make_shared<posix::PosixFolders>(),
      .logFiles = std::make_shared<posix::PosixLogFiles>(),
      .clock = std::make_shared<posix::PosixClock>(),
  };
}

void PaymentFixture::SetUp() {
  ASSERT_TRUE(control_) << "the local payment service did not start: " << setupError_;
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(test->test_suite_name()) + "." + test->name();
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  logFolder_ = workFolder_ / "logs" / name;
  Control().Reset();
  Control().SetTokenPrefix("token/");
  device_.Enable();
  device_.HTTPRest()->SetServerAddress(Utf8ToWide(BaseAddress()));
  device_.HTTPRest()->SetLogDir(Utf8ToWide(logFolder_.string()));
  device_.SetApplicationToken(kAppToken);
  device_.SetTerminalKey(u"TERM-0042");
  device_.SetCurrencyCode(u"RUB");
  device_.SetReceiptRowLength(20);
}

void PaymentFixture::TearDown() {
  device_.Disable();
}

std::unique_ptr<THTTPRest> PaymentFixture::MakeRest(bool logEnabled) const {
  auto rest = std::make_unique<THTTPRest>(Ports(), logEnabled);
  rest->SetServerAddress(Utf8ToWide(BaseAddress()));
  rest->SetLogDir(Utf8ToWide(logFolder_.string()));
  return rest;
}

std::string PaymentFixture::DailyLog(const std::filesystem::path& folder) {
  const std::filesystem::path file =
      folder / ("http_" + WideToUtf8(LogFileDate(posix::PosixClock().Now())) + ".log");
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::string();
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace equ::testing
