#include "TrafficLog.h"

#include <array>
#include <cstdio>

#include "equipment/common/LogTimeStamp.h"
#include "platform/Clock.h"
#include "platform/LogFiles.h"

namespace equ {

namespace {

constexpr std::size_t kVisibleTail = 4;
// A secret shorter than this shows no tail at all: four characters of it would say too much.
constexpr std::size_t kShortestWithTail = 12;

constexpr std::array<std::string_view, 2> kSecretHeaders = {"X-Vorn-Application-Token",
                                                            "X-Vorn-Authorization"};

bool SameAsciiNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool IsSecretHeader(std::string_view name) {
  for (std::string_view secret : kSecretHeaders) {
    if (SameAsciiNoCase(name, secret)) return true;
  }
  return false;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::string_view WithoutTrailingLineBreaks(std::string_view text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
  return text;
}

std::string MaskHeaderLine(std::string_view line) {
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos || !IsSecretHeader(TrimBlanks(line.substr(0, colon)))) {
    return std::string(line);
  }
  return std::string(line.substr(0, colon)) + ": " + MaskSecret(TrimBlanks(line.substr(colon + 1)));
}

std::string StampLine(const Clock& clock, std::string_view direction) {
  const LocalDateTime now = clock.Now();
  char time[32];
  std::snprintf(time, sizeof time, " %02d:%02d:%02d.%03d ", now.hour, now.minute, now.second,
                now.millisecond);
  return WideToUtf8(LogFileDate(now)) + time + std::string(direction) + "\r\n";
}

}  // namespace

std::string MaskSecret(std::string_view value) {
  std::string masked;
  const std::size_t blank = value.find(' ');
  if (blank != std::string_view::npos) {
    masked = value.substr(0, blank + 1);
    value.remove_prefix(blank + 1);
  }
  masked += "****";
  if (value.size() >= kShortestWithTail) masked += value.substr(value.size() - kVisibleTail);
  return masked;
}

std::string MaskSecretHeaders(std::string_view head) {
  std::string masked;
  while (!head.empty()) {
    std::size_t end = head.find('\n');
    end = end == std::string_view::npos ? head.size() : end + 1;
    std::string_view line = head.substr(0, end);
    head.remove_prefix(end);
    std::string_view lineBreak;
    const std::size_t breakAt = line.find_first_of("\r\n");
    if (breakAt != std::string_view::npos) {
      lineBreak = line.substr(breakAt);
      line = line.substr(0, breakAt);
    }
    masked += MaskHeaderLine(line);
    masked += lineBreak;
  }
  return masked;
}

std::string MaskTokenMembers(std::string_view body) {
  static constexpr std::string_view kName = "\"token\"";
  std::string masked;
  std::size_t from = 0;
  for (;;) {
    const std::size_t name = body.find(kName, from);
    if (name == std::string_view::npos) break;
    std::size_t at = name + kName.size();
    while (at < body.size() && (body[at] == ' ' || body[at] == '\t')) ++at;
    if (at >= body.size() || body[at] != ':') {
      masked += body.substr(from, at - from);
      from = at;
      continue;
    }
    ++at;
    while (at < body.size() && (body[at] == ' ' || body[at] == '\t')) ++at;
    if (at >= body.size() || body[at] != '"') {
      masked += body.substr(from, at - from);
      from = at;
      continue;
    }
    const std::size_t open = at;
    std::size_t close = open + 1;
    while (close < body.size() && body[close] != '"') close += body[close] == '\\' ? 2 : 1;
    if (close >= body.size()) break;
    masked += body.substr(from, open + 1 - from);
    masked += MaskSecret(body.substr(open + 1, close - open - 1));
    from = close;
  }
  masked += body.substr(from);
  return masked;
}

TrafficLog::TrafficLog(const LogFiles& files, const Clock& clock, WideString path)
    : files_(files), clock_(clock), path_(std::move(path)) {}

void TrafficLog::Sent(std::string_view head, std::string_view body) {
  Append("Sent:", head, body);
}

void TrafficLog::Received(std::string_view head, std::string_view body) {
  Append("Received:", head, body);
}

void TrafficLog::Failed(const WideString& error) {
  Append("Failed: " + WideToUtf8(error), {}, {});
}

void TrafficLog::Append(std::string_view direction, std::string_view head, std::string_view body) {
  std::string text = StampLine(clock_, direction);
  if (!head.empty()) {
    text += MaskSecretHeaders(WithoutTrailingLineBreaks(head));
    text += "\r\n\r\n";
  }
  if (!body.empty()) {
    text += MaskTokenMembers(body);
    text += "\r\n";
  }
  // The file could be opened when the request was prepared; losing a line of it later must
  // not turn a completed exchange into a failure.
  static_cast<void>(files_.Append(path_, text, false));
}

}  // namespace equ
