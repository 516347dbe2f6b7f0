#include "AcquiringFixture.h"

#include "payment/PaymentScenario.h"

#include "platform/posix/IconvCodePage.h"
#include "platform/posix/PosixGuidSource.h"
#include "platform/posix/PosixProcessHeap.h"
#include "platform/posix/PosixStreamSocket.h"

namespace equ::testing {

void AcquiringFixture::SetUp() {
  PaymentFixture::SetUp();
  if (HasFatalFailure()) return;
  ports_.windows = windows_;
  ports_.sharedMemory = memory_;
  ports_.heap = std::make_shared<posix::PosixProcessHeap>();
  ports_.codePage = std::make_shared<posix::IconvCodePage>();
  ports_.rest = Ports();
  ports_.guids = std::make_shared<posix::PosixGuidSource>();
  ports_.ticks = std::shared_ptr<const TickClock>(std::shared_ptr<void>(), &time_);
  ports_.userDialogs = dialogs_;
  ports_.sockets = std::make_shared<posix::PosixStreamSockets>();
  driver_ = std::make_unique<TVornDriver>(ports_);

  configuration_.AServerAddress = Utf8ToWide(BaseAddress());
  configuration_.AApplicationToken = kAppToken;
  configuration_.ATerminalKey = u"TERM-0042";
  configuration_.ACurrency = u"RUB";
  configuration_.AReceiptRowLength = 32;
  configuration_.ADisplayAddress = u"127.0.0.1";
  configuration_.ACheckHeader = u"Магазин у дома";
  configuration_.ADuration = 30;
  configuration_.AInvoiceTimeout = 10;
  configuration_.ABarcodeReadTimeout = 5;
  configuration_.AHTTPLogDir = Utf8ToWide(LogFolder().string());
  driver_->Open(configuration_);
  driver_->AuthenticationRequest(token_);
  configuration_.AAuthorizationToken = token_;
  driver_->Open(configuration_);
  Control().Reset();
}

void AcquiringFixture::TearDown() {
  driver_.reset();
  PaymentFixture::TearDown();
}

void AcquiringFixture::ScanAt(std::uint64_t at, const WideString& code, bool* taken) {
  time_.At(at, [this, code, taken] {
    const bool answer = TVornDriver::SendMsgToAcquiring(ports_, code);
    if (taken != nullptr) *taken = answer;
  });
}

void AcquiringFixture::MarkPaidAt(std::uint64_t at, const std::function<std::string()>& invoiceId) {
  time_.At(at, [invoiceId] { Control().MarkPaid(invoiceId()); });
}

std::vector<ServiceRecord> AcquiringFixture::RequestsTo(const std::string& method,
                                                        const std::string& pathStart) const {
  std::vector<ServiceRecord> matching;
  for (ServiceRecord& record : Control().Requests()) {
    if (record.method == method && record.path.rfind(pathStart, 0) == 0) {
      matching.push_back(std::move(record));
    }
  }
  return matching;
}

std::filesystem::path AcquiringFixture::Folder() const {
  return LogFolder().parent_path().parent_path() / "display" / LogFolder().filename();
}

}  // namespace equ::testing
