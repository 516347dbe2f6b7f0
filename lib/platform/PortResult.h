#pragma once

#include <cassert>
#include <concepts>
#include <optional>
#include <type_traits>
#include <utility>

#include "equipment/common/WideString.h"

namespace equ {

// The failure of a port operation: the platform's text for it.
struct PortError {
  WideString text;
};

inline PortError PortFailure(WideString text) {
  return PortError{std::move(text)};
}

template <typename T>
class PortResult;

// What a successful result may be made from: anything its value is made from, but no error
// and no result (those have constructors of their own).
template <typename U, typename T>
concept PortValueOf =
    std::constructible_from<T, U&&> && !std::same_as<std::remove_cvref_t<U>, PortError> &&
    !std::same_as<std::remove_cvref_t<U>, PortResult<T>>;

// What a port operation answers: its value, or the text of its failure. Ports never throw for a
// failure of the platform; the core turns a failed result into its own exception or result
// code. Reads like std::optional (bool, *, ->) with the error text beside it.
template <typename T>
class [[nodiscard]] PortResult {
 public:
  template <PortValueOf<T> U = T>
  PortResult(U&& value) : value_(std::forward<U>(value)) {}
  PortResult(PortError error) : error_(std::move(error.text)) {}

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }

  T& operator*() & {
    assert(ok());
    return *value_;
  }
  const T& operator*() const& {
    assert(ok());
    return *value_;
  }
  T&& operator*() && {
    assert(ok());
    return std::move(*value_);
  }
  T* operator->() {
    assert(ok());
    return &*value_;
  }
  const T* operator->() const {
    assert(ok());
    return &*value_;
  }
  // The platform's text of the failure; empty for a success.
  const WideString& error() const { return error_; }

 private:
  std::optional<T> value_;
  WideString error_;
};

// The answer of an operation that gives back nothing but success or failure.
template <>
class [[nodiscard]] PortResult<void> {
 public:
  PortResult() = default;
  PortResult(PortError error) : failed_(true), error_(std::move(error.text)) {}

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  const WideString& error() const { return error_; }

 private:
  bool failed_ = false;
  WideString error_;
};

using PortStatus = PortResult<void>;

}  // namespace equ
