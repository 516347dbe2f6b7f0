#pragma once

#include <memory>
#include <string>
#include <vector>

#include "PaymentFixture.h"
#include "SimulatedTime.h"
#include "equipment/common/a_vorn/VornDriver.h"
#include "native/FakeMailboxPorts.h"

namespace equ::testing {

// A TVornDriver opened against the local payment service (real HTTPS) with the terminal
// authorized, its waits in simulated time, its mailbox in process memory, the waiting
// dialog recorded and the display link on real TCP.
class AcquiringFixture : public PaymentFixture {
 public:
  void SetUp() override;
  void TearDown() override;

  // Hands a code to the waiting driver at a moment of simulated time, as the scanner driver
  // does; `taken` tells whether a receiver took it.
  void ScanAt(std::uint64_t at, const WideString& code, bool* taken = nullptr);
  // Marks the invoice paid at the service at a moment of simulated time.
  void MarkPaidAt(std::uint64_t at, const std::function<std::string()>& invoiceId);
  // The service's record of the requests whose path starts with the text.
  std::vector<ServiceRecord> RequestsTo(const std::string& method,
                                        const std::string& pathStart) const;
  std::filesystem::path Folder() const;

  SimulatedTime time_;
  std::shared_ptr<SimulatedMessageWindows> windows_ =
      std::make_shared<SimulatedMessageWindows>(time_);
  std::shared_ptr<InProcessSharedMemory> memory_ = std::make_shared<InProcessSharedMemory>();
  std::shared_ptr<RecordingUserDialogs> dialogs_ = std::make_shared<RecordingUserDialogs>(time_);
  TVornPorts ports_;
  TVornConfiguration configuration_;
  std::unique_ptr<TVornDriver> driver_;
  WideString token_;
};

}  // namespace equ::testing
