#pragma once

#include <optional>
#include <string_view>

#include "equipment/common/Variant.h"
#include "equipment/common/WideString.h"

namespace equ {

// The user's regional settings, as the automation conversions and the trace texts use them.
class UserLocale {
 public:
  virtual ~UserLocale() = default;
  virtual char16_t DecimalSeparator() const = 0;
  virtual char16_t ThousandSeparator() const = 0;
  // Between hours, minutes and seconds of the log time stamps.
  virtual char16_t TimeSeparator() const = 0;
  // The automation text of a date-time (date alone at midnight, time alone on day 0).
  virtual WideString DateTimeToText(Date value) const = 0;
  // Reads a date-time text in the user's format; nullopt when it is not one.
  virtual std::optional<Date> TextToDateTime(std::u16string_view text) const = 0;
};

}  // namespace equ
