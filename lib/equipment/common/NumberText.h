#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "WideString.h"

namespace equ {

// The general floating-point text of the call trace: up to `precision` significant digits,
// fixed notation while the integer part fits the precision and the magnitude is at least
// 1E-5, else scientific with a bare exponent (1E20, 1.5E-7).
WideString FormatGeneral(double value, int precision, char16_t decimalSeparator);

// The automation text of a real number (what VariantChangeType gives for VT_BSTR):
// printf "%.<digits>G" with the locale's decimal separator.
WideString FormatAutomationReal(double value, int digits, char16_t decimalSeparator);

// The automation text of a currency value: its integer part and up to four decimals.
WideString FormatCurrency(std::int64_t scaled, char16_t decimalSeparator);

// The automation text of a 96-bit scaled decimal, exact.
WideString FormatDecimal(bool negative, std::uint32_t hi32, std::uint64_t lo64, int scale,
                         char16_t decimalSeparator);

// Reads a number as the automation string conversions do: blanks around it, a leading sign,
// thousand separators in the integer part, the locale's decimal separator, an exponent, and
// the hexadecimal (&H) and octal (&O) forms. nullopt when the text is not a number.
std::optional<double> ParseAutomationNumber(std::u16string_view text, char16_t decimalSeparator,
                                            char16_t thousandSeparator);

// A whole number in plain decimal digits as the integer conversions read it: exactly, with no
// detour through a real number (which holds only 53 bits).
struct WholeNumber {
  bool negative = false;
  std::uint64_t magnitude = 0;
};

// The value of a text that is a whole decimal number (blanks around it, a leading sign,
// thousand separators after the first digit) whose magnitude fits 64 bits; nullopt for any
// other text, which ParseAutomationNumber reads instead.
std::optional<WholeNumber> ParseAutomationWholeNumber(std::u16string_view text,
                                                      char16_t decimalSeparator,
                                                      char16_t thousandSeparator);

}  // namespace equ
