#include "PosixUserLocale.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace equ::posix {

namespace {

std::int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = static_cast<int>(y - era * 400);
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;  // days since 1970-01-01
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

// Days between 1970-01-01 and 1899-12-30.
constexpr std::int64_t kUnixToAutomation = 25569;
// The automation days of 1 January 100 and 31 December 9999.
constexpr double kFirstAutomationDay = -657434;
constexpr double kLastAutomationDay = 2958465;

}  // namespace

PosixUserLocale::PosixUserLocale(char16_t decimalSeparator, char16_t thousandSeparator)
    : decimal_(decimalSeparator), thousand_(thousandSeparator) {}

WideString PosixUserLocale::DateTimeToText(Date value) const {
  // Automation dates before day 0 count the time of day forwards from the date's midnight.
  const double wholeDays = std::trunc(value.days);
  // Outside 1 January 100 .. 31 December 9999 a date has no text, as the system gives none.
  if (!(wholeDays >= kFirstAutomationDay && wholeDays <= kLastAutomationDay)) return {};
  const double fraction = std::fabs(value.days - wholeDays);
  auto seconds = static_cast<std::int64_t>(std::llround(fraction * 86400.0));
  std::int64_t days = static_cast<std::int64_t>(wholeDays);
  if (seconds >= 86400) {
    seconds -= 86400;
    days += value.days < 0 ? -1 : 1;
  }
  int y = 0, m = 0, d = 0;
  CivilFromDays(days - kUnixToAutomation, y, m, d);
  char buffer[64];
  std::string text;
  if (days != 0 || seconds == 0) {
    std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d", d, m, y);
    text = buffer;
  }
  if (seconds != 0) {
    std::snprintf(buffer, sizeof buffer, "%d:%02d:%02d", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    text += (text.empty() ? "" : " ") + std::string(buffer);
  }
  return WideString(text.begin(), text.end());
}

std::optional<Date> PosixUserLocale::TextToDateTime(std::u16string_view text) const {
  const std::string narrow(text.begin(), text.end());
  int d = 0, m = 0, y = 0, hh = 0, nn = 0, ss = 0;
  char tail = 0;
  double days = 0;
  int fields = std::sscanf(narrow.c_str(), "%d.%d.%d %d:%d:%d%c", &d, &m, &y, &hh, &nn, &ss, &tail);
  if (fields >= 3 && fields != 7) {
    if (m < 1 || m > 12 || d < 1 || d > 31 || y < 100 || y > 9999) return std::nullopt;
    days = static_cast<double>(DaysFromCivil(y, m, d) + kUnixToAutomation);
    if (fields == 3) return Date{days};
    if (fields < 5) return std::nullopt;
  } else {
    fields = std::sscanf(narrow.c_str(), "%d:%d:%d%c", &hh, &nn, &ss, &tail);
    if (fields < 2 || fields == 4) return std::nullopt;
  }
  if (hh < 0 || hh > 23 || nn < 0 || nn > 59 || ss < 0 || ss > 59) return std::nullopt;
  const double time = (hh * 3600 + nn * 60 + ss) / 86400.0;
  return Date{days < 0 ? days - time : days + time};
}

}  // namespace equ::posix
