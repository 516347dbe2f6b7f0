#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "WideString.h"

namespace equ {

// Base exception class of the driver: carries a UTF-16 message. The invocation layer
// reports the class name to the host (as the automation error source), hence ClassName.
class Exception : public std::exception {
 public:
  explicit Exception(WideString message);
  const WideString& Message() const noexcept { return message_; }
  virtual const char16_t* ClassName() const noexcept { return u"Exception"; }
  const char* what() const noexcept override { return utf8_.c_str(); }

 private:
  WideString message_;
  std::string utf8_;
};

// A failure that stands for a specific result code.
class EquException : public Exception {
 public:
  EquException(std::int32_t code, WideString message);
  std::int32_t Code() const noexcept { return code_; }
  const char16_t* ClassName() const noexcept override { return u"EquException"; }

 private:
  std::int32_t code_;
};

// A value that cannot be converted to the asked type (or does not fit it). ErrorCode is the
// automation status of the failure: type mismatch or overflow.
class EVariantError : public Exception {
 public:
  EVariantError(std::int32_t errorCode, WideString message);
  std::int32_t ErrorCode() const noexcept { return errorCode_; }
  const char16_t* ClassName() const noexcept override { return u"EVariantError"; }

 private:
  std::int32_t errorCode_;
};

// Message of any exception the driver catches: ours carry UTF-16, the standard ones UTF-8.
WideString ExceptionMessage(const std::exception& e);
WideString ExceptionClassName(const std::exception& e);

}  // namespace equ
