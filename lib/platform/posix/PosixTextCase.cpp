#include "PosixTextCase.h"

#include <locale.h>
#include <wctype.h>

namespace equ::posix {

namespace {

bool IsSurrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDFFF;
}

// The process's C.UTF-8 locale object, made once and kept for the life of the process.
locale_t UnicodeLocale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  return locale;
}

}  // namespace

WideString PosixTextCase::ToUpper(std::u16string_view text) const {
  WideString result(text);
  const locale_t locale = UnicodeLocale();
  for (char16_t& c : result) {
    if (IsSurrogate(c)) continue;
    const wint_t upper =
        locale ? towupper_l(static_cast<wint_t>(c), locale) : towupper(static_cast<wint_t>(c));
    if (upper <= 0xFFFF && !IsSurrogate(static_cast<char16_t>(upper))) {
      c = static_cast<char16_t>(upper);
    }
  }
  return result;
}

}  // namespace equ::posix
