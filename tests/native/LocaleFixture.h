#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/PlatformPorts.h"
#include "platform/posix/PosixUserLocale.h"

namespace equ::testing {

// Runs a test under the given decimal and thousand separators.
class LocaleScope {
 public:
  LocaleScope(char16_t decimalSeparator, char16_t thousandSeparator)
      : scope_(PlatformPorts{.locale = std::make_shared<posix::PosixUserLocale>(
                                 decimalSeparator, thousandSeparator)}) {}

 private:
  ScopedPlatformPorts scope_;
};

inline LocaleScope EnglishLocale() {
  return LocaleScope(u'.', u',');
}
inline LocaleScope RussianLocale() {
  return LocaleScope(u',', u'\u00A0');
}

}  // namespace equ::testing
