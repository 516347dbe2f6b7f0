#pragma once

#include <string>
#include <string_view>

#include "equipment/common/WideString.h"
#include "platform/HttpTransport.h"

namespace equ {

class Clock;
class LogFiles;

// The secret part of a header value or token written as stars and a short tail: "apptoken
// 3f2a...c91e" becomes "apptoken ****c91e". The leading scheme word stays readable.
std::string MaskSecret(std::string_view value);

// A request or reply head with the values of the token headers masked.
std::string MaskSecretHeaders(std::string_view head);

// A JSON body with the string values of "token" members masked.
std::string MaskTokenMembers(std::string_view body);

// Appends each exchange to the day's traffic-log file as readable UTF-8 text: a stamped line
// saying which way it went, the head with the token headers masked, a blank line, the body.
// The log is second to the exchange: a line that cannot be written is dropped.
class TrafficLog : public HttpTrafficWatcher {
 public:
  TrafficLog(const LogFiles& files, const Clock& clock, WideString path);
  void Sent(std::string_view head, std::string_view body) override;
  void Received(std::string_view head, std::string_view body) override;
  // Writes a line about a request that got no reply.
  void Failed(const WideString& error);

 private:
  void Append(std::string_view direction, std::string_view head, std::string_view body);

  const LogFiles& files_;
  const Clock& clock_;
  WideString path_;
};

}  // namespace equ
