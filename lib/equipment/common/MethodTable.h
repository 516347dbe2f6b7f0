#pragma once

#include <cstdint>
#include <functional>
#include <variant>
#include <vector>

#include "Variant.h"
#include "WideString.h"

namespace equ {

class SafeArray;

// Public convention: the host's InData, OutData and TimeOut; answers a result code (0 is
// success) and may set its own description of a failure.
using TPublicMethod = std::function<std::int32_t(
    Variant& InData, Variant& OutData, std::int32_t TimeOut, WideString& ResultDescription)>;
// Private convention: the whole argument array (elements may be replaced); answers the
// call's result value.
using TPrivateMethod = std::function<Variant(SafeArray& paParams)>;
// Extension handler for names outside the method table: the public convention with the name.
using TExtMethod =
    std::function<std::int32_t(const WideString& AMethodName, Variant& InData, Variant& OutData,
                               std::int32_t TimeOut, WideString& ResultDescription)>;

// One row of the method table; its index is its dispatch number.
struct TMethodStruct {
  WideString Name;
  bool IsPublic = false;
  // Marks a public method of one equipment class; kept, never consulted by invocation.
  bool IsSpecific = false;
  std::variant<TPrivateMethod, TPublicMethod> Handler;

  const TPublicMethod& PublicMethod() const { return std::get<TPublicMethod>(Handler); }
  const TPrivateMethod& PrivateMethod() const { return std::get<TPrivateMethod>(Handler); }
};

using TMethodArray = std::vector<TMethodStruct>;

}  // namespace equ
