#pragma once

#include "platform/UserLocale.h"

namespace equ::win32 {

// The user's regional settings and the automation date texts of oleaut32.
class WinUserLocale : public UserLocale {
 public:
  char16_t DecimalSeparator() const override;
  char16_t ThousandSeparator() const override;
  char16_t TimeSeparator() const override;
  WideString DateTimeToText(Date value) const override;
  std::optional<Date> TextToDateTime(std::u16string_view text) const override;
};

}  // namespace equ::win32
