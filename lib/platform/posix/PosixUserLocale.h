#pragma once

#include "platform/UserLocale.h"

namespace equ::posix {

// Regional settings of the native build: a fixed day.month.year layout with configurable
// separators, so tests can run in the Russian setting (decimal comma) and the default one.
class PosixUserLocale : public UserLocale {
 public:
  explicit PosixUserLocale(char16_t decimalSeparator = u'.', char16_t thousandSeparator = u',');
  char16_t DecimalSeparator() const override { return decimal_; }
  char16_t ThousandSeparator() const override { return thousand_; }
  char16_t TimeSeparator() const override { return u':'; }
  // "dd.mm.yyyy h:nn:ss"; the date alone at midnight, the time alone on day 0.
  WideString DateTimeToText(Date value) const override;
  std::optional<Date> TextToDateTime(std::u16string_view text) const override;

 private:
  char16_t decimal_;
  char16_t thousand_;
};

}  // namespace equ::posix
