#include "WinUserLocale.h"

#include <windows.h>
#include <oleauto.h>

#include "WinHandles.h"
#include "WinText.h"

namespace equ::win32 {

namespace {

char16_t LocaleCharacter(LCTYPE type, char16_t fallback) {
  wchar_t buffer[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 8) < 2) return fallback;
  return static_cast<char16_t>(buffer[0]);
}

}  // namespace

char16_t WinUserLocale::DecimalSeparator() const {
  return LocaleCharacter(LOCALE_SDECIMAL, u'.');
}

char16_t WinUserLocale::ThousandSeparator() const {
  return LocaleCharacter(LOCALE_STHOUSAND, u',');
}

char16_t WinUserLocale::TimeSeparator() const {
  return LocaleCharacter(LOCALE_STIME, u':');
}

WideString WinUserLocale::DateTimeToText(Date value) const {
  Bstr text;
  if (FAILED(VarBstrFromDate(value.days, LOCALE_USER_DEFAULT, 0, text.put()))) return WideString();
  return text.Text();
}

std::optional<Date> WinUserLocale::TextToDateTime(std::u16string_view text) const {
  WideString copy(text);
  DATE date = 0;
  if (FAILED(VarDateFromStr(const_cast<wchar_t*>(WidePtr(copy)), LOCALE_USER_DEFAULT, 0, &date))) {
    return std::nullopt;
  }
  return Date{date};
}

}  // namespace equ::win32
