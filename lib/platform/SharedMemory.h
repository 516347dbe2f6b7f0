#pragma once

#include <cstddef>
#include <memory>
#include <span>

#include "equipment/common/WideString.h"
#include "platform/PortResult.h"

namespace equ {

// A mapped view of a named shared-memory object; unmapped and closed when it goes.
class SharedMemoryView {
 public:
  virtual ~SharedMemoryView() = default;
  virtual std::span<std::byte> Bytes() = 0;
};

// Named shared memory of the user's logon.
class SharedMemory {
 public:
  using ViewResult = PortResult<std::unique_ptr<SharedMemoryView>>;
  virtual ~SharedMemory() = default;
  // Opens an existing object with full access; fails when none of that name exists.
  virtual ViewResult Open(const WideString& name) = 0;
  // Creates the object (or opens it when it exists) with an access list that lets only the
  // current user open it, and maps all of it.
  virtual ViewResult Create(const WideString& name, std::size_t size) = 0;
};

}  // namespace equ
