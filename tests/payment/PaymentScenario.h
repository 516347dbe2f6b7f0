#pragma once

#include <string>
#include <vector>

#include "ServiceControl.h"
#include "equipment/common/a_vorn/Device.h"

namespace equ::testing {

inline constexpr char16_t kAppToken[] = u"app-token-0001";  // the local service's default

// What one operation must have put on the wire. `headers` lists the custom headers the client
// sets itself, with their values; the other two of the three must be absent.
struct ExpectedRequest {
  std::string operation;
  std::string method;
  std::string path;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
};

// Runs all twelve operations once, in an order the service accepts (authentication, units,
// invoice created, read, paid, refunded, the health after the refund, refunds listed and
// voided, a second invoice voided, the token revoked), and answers what each must have sent.
// The device must be enabled, its address set, its application token and currency given.
std::vector<ExpectedRequest> RunEveryOperation(TDevice& device);

// Compares the service's record with the expectations, request by request: method, path,
// body bytes, the three custom headers, Accept and Content-Type, and no User-Agent.
void ExpectRecorded(const std::vector<ExpectedRequest>& expected,
                    const std::vector<ServiceRecord>& recorded);

}  // namespace equ::testing
