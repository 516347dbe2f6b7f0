#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace equ::testing {

// A self-signed certificate for "localhost" (and 127.0.0.1) with its key, made by the openssl
// tool in a folder of its own.
struct TestCertificate {
  std::filesystem::path certFile;
  std::filesystem::path keyFile;
};
TestCertificate MakeTestCertificate(const std::filesystem::path& folder);

// The local payment service (tools/payment_service) run as a child process on a free port
// for the life of the object; stopped with SIGTERM by its process id.
class LocalPaymentService {
 public:
  explicit LocalPaymentService(const TestCertificate& certificate);
  ~LocalPaymentService();
  LocalPaymentService(const LocalPaymentService&) = delete;
  LocalPaymentService& operator=(const LocalPaymentService&) = delete;

  // "https://localhost:PORT/", as the service printed it.
  const std::string& BaseAddress() const { return base_; }

 private:
  pid_t pid_ = -1;
  std::string base_;
};

}  // namespace equ::testing
