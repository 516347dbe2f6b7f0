#include "NumberText.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace equ {

namespace {

WideString Widen(const std::string& text, char16_t decimalSeparator) {
  WideString out;
  out.reserve(text.size());
  for (char c : text) out += (c == '.') ? decimalSeparator : static_cast<char16_t>(c);
  return out;
}

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0xA0;
}

std::optional<double> ParseRadix(std::u16string_view digits, int radix) {
  if (digits.empty()) return std::nullopt;
  double value = 0;
  for (char16_t c : digits) {
    int d = -1;
    if (c >= u'0' && c <= u'9') d = c - u'0';
    if (c >= u'a' && c <= u'f') d = c - u'a' + 10;
    if (c >= u'A' && c <= u'F') d = c - u'A' + 10;
    if (d < 0 || d >= radix) return std::nullopt;
    value = value * radix + d;
  }
  // &H and &O texts are 32-bit two's complement values, as in automation.
  if (value <= 4294967295.0 && value >= 2147483648.0) value -= 4294967296.0;
  return value;
}

}  // namespace

WideString FormatGeneral(double value, int precision, char16_t decimalSeparator) {
  if (std::isnan(value)) return u"NAN";
  if (std::isinf(value)) return value > 0 ? u"INF" : u"-INF";
  if (value == 0) return u"0";

  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*e", precision - 1, value);
  const std::string text(buffer);
  const size_t ePos = text.find('e');
  const int exponent = std::atoi(text.c_str() + ePos + 1);
  std::string digits;
  for (size_t i = 0; i < ePos; ++i) {
    if (text[i] >= '0' && text[i] <= '9') digits += text[i];
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  const bool negative = value < 0;

  std::string out = negative ? "-" : "";
  const bool fixed = exponent < precision && std::fabs(value) >= 0.00001;
  if (fixed) {
    if (exponent < 0) {
      out += "0.";
      out.append(static_cast<size_t>(-exponent - 1), '0');
      out += digits;
    } else {
      const size_t intDigits = static_cast<size_t>(exponent) + 1;
      if (digits.size() <= intDigits) {
        out += digits;
        out.append(intDigits - digits.size(), '0');
      } else {
        out += digits.substr(0, intDigits) + "." + digits.substr(intDigits);
      }
    }
  } else {
    out += digits.substr(0, 1);
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += "E" + std::to_string(exponent);
  }
  return Widen(out, decimalSeparator);
}

WideString FormatAutomationReal(double value, int digits, char16_t decimalSeparator) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*G", digits, value);
  return Widen(buffer, decimalSeparator);
}

WideString FormatCurrency(std::int64_t scaled, char16_t decimalSeparator) {
  const bool negative = scaled < 0;
  const std::uint64_t magnitude =
      negative ? ~static_cast<std::uint64_t>(scaled) + 1 : static_cast<std::uint64_t>(scaled);
  std::string out = negative ? "-" : "";
  out += std::to_string(magnitude / 10000);
  std::uint64_t fraction = magnitude % 10000;
  if (fraction != 0) {
    std::string decimals = std::to_string(fraction);
    decimals.insert(0, 4 - decimals.size(), '0');
    while (decimals.back() == '0') decimals.pop_back();
    out += "." + decimals;
  }
  return Widen(out, decimalSeparator);
}

WideString FormatDecimal(bool negative, std::uint32_t hi32, std::uint64_t lo64, int scale,
                         char16_t decimalSeparator) {
  // The 96-bit magnitude as three 32-bit limbs, most significant first, divided by ten
  // digit by digit (no compiler has a 128-bit integer on every target).
  std::uint32_t limbs[3] = {hi32, static_cast<std::uint32_t>(lo64 >> 32),
                            static_cast<std::uint32_t>(lo64)};
  std::string digits;
  bool more = true;
  while (more) {
    std::uint64_t remainder = 0;
    more = false;
    for (std::uint32_t& limb : limbs) {
      const std::uint64_t current = (remainder << 32) | limb;
      limb = static_cast<std::uint32_t>(current / 10);
      remainder = current % 10;
      more = more || limb != 0;
    }
    digits.insert(digits.begin(), static_cast<char>('0' + remainder));
  }
  if (scale > 0) {
    if (digits.size() <= static_cast<size_t>(scale)) {
      digits.insert(0, static_cast<size_t>(scale) - digits.size() + 1, '0');
    }
    digits.insert(digits.size() - static_cast<size_t>(scale), ".");
    while (digits.back() == '0') digits.pop_back();
    if (digits.back() == '.') digits.pop_back();
  }
  const bool isZero = digits == "0";
  return Widen((negative && !isZero ? "-" : "") + digits, decimalSeparator);
}

std::optional<double> ParseAutomationNumber(std::u16string_view text, char16_t decimalSeparator,
                                            char16_t thousandSeparator) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (text.size() > 2 && text[0] == u'&') {
    const char16_t kind = AsciiUpper(text[1]);
    if (kind == u'H') return ParseRadix(text.substr(2), 16);
    if (kind == u'O') return ParseRadix(text.substr(2), 8);
    return std::nullopt;
  }

  std::string plain;
  size_t i = 0;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    if (text[i] == u'-') plain += '-';
    ++i;
  }
  bool anyDigit = false;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= u'0' && c <= u'9') {
      plain += static_cast<char>(c);
      anyDigit = true;
    } else if (c == thousandSeparator && thousandSeparator != decimalSeparator && anyDigit) {
      continue;
    } else {
      break;
    }
  }
  if (i < text.size() && text[i] == decimalSeparator) {
    plain += '.';
    for (++i; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
      plain += static_cast<char>(text[i]);
      anyDigit = true;
    }
  }
  if (!anyDigit) return std::nullopt;
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    std::string exponent = "e";
    size_t j = i + 1;
    if (j < text.size() && (text[j] == u'+' || text[j] == u'-')) {
      exponent += static_cast<char>(text[j]);
      ++j;
    }
    const size_t firstDigit = j;
    for (; j < text.size() && text[j] >= u'0' && text[j] <= u'9'; ++j) {
      exponent += static_cast<char>(text[j]);
    }
    if (j == firstDigit) return std::nullopt;
    plain += exponent;
    i = j;
  }
  if (i != text.size()) return std::nullopt;
  return std::strtod(plain.c_str(), nullptr);
}

std::optional<WholeNumber> ParseAutomationWholeNumber(std::u16string_view text,
                                                      char16_t decimalSeparator,
                                                      char16_t thousandSeparator) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  WholeNumber number;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    number.negative = text[i] == u'-';
    ++i;
  }
  bool anyDigit = false;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= u'0' && c <= u'9') {
      const auto digit = static_cast<std::uint64_t>(c - u'0');
      if (number.magnitude > (UINT64_MAX - digit) / 10) return std::nullopt;
      number.magnitude = number.magnitude * 10 + digit;
      anyDigit = true;
    } else if (c == thousandSeparator && thousandSeparator != decimalSeparator && anyDigit) {
      continue;
    } else {
      return std::nullopt;
    }
  }
  if (!anyDigit) return std::nullopt;
  if (number.magnitude == 0) number.negative = false;
  return number;
}

}  // namespace equ
