#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "equipment/common/Variant.h"
#include "equipment/common/WideString.h"

namespace equ {

// An interface reference held by a variant. The adapter behind it owns one platform
// reference and gives it back when the last holder lets go.
class AutomationObject {
 public:
  virtual ~AutomationObject() = default;
  // The reference value itself (the interface pointer), as the call trace prints it.
  virtual std::uintptr_t Address() const = 0;
};

// One argument of a late-bound call; by-reference arguments receive what the callee stored.
struct DispatchArgument {
  Variant value;
  bool byRef = false;
};

// An automation object the driver calls by name (the host's equipment manager, a script
// array). Failures are raised as equ::Exception with the callee's description.
class DispatchPort : public AutomationObject {
 public:
  // Calls a method with positional arguments in call order.
  virtual Variant CallMethod(std::u16string_view name, std::span<DispatchArgument> args) = 0;
  // Reads a property; nullopt when the object has no member of that name.
  virtual std::optional<Variant> GetProperty(std::u16string_view name) = 0;
};

}  // namespace equ
