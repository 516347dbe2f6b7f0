#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "LocalPaymentService.h"
#include "equipment/common/a_vorn/Device.h"
#include "payment/ServiceControl.h"

namespace equ::testing {

// One local payment service for all tests of a suite, a fresh record and log folder for each
// test, and a device enabled against the service with the native adapters.
class PaymentFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  static THTTPRestPorts Ports();
  static ServiceControl& Control() { return *control_; }
  static const std::string& BaseAddress() { return service_->BaseAddress(); }
  // A THTTPRest aimed at the service, logging into LogFolder() when asked.
  std::unique_ptr<THTTPRest> MakeRest(bool logEnabled) const;
  const std::filesystem::path& LogFolder() const { return logFolder_; }
  static const std::filesystem::path& WorkFolder() { return workFolder_; }
  // The text of the day's traffic log in a folder ("" when there is none).
  static std::string DailyLog(const std::filesystem::path& folder);

  TDevice device_{Ports()};

 private:
  static std::filesystem::path workFolder_;
  static TestCertificate certificate_;
  static std::unique_ptr<LocalPaymentService> service_;
  static std::unique_ptr<ServiceControl> control_;
  static std::string setupError_;
  std::filesystem::path logFolder_;
};

}  // namespace equ::testing
