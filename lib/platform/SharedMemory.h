#pragma once

#include <cstddef>
#include <memory>
#include <span>

#include "equipment/common/WideString.h"

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
  virtual ~SharedMemory() = default;
  // Opens an existing object with full access; nullptr when none of that name exists.
  virtual std::unique_ptr<SharedMemoryView> Open(const WideString& name) = 0;
  // Creates the object (or opens it when it exists) with an empty access list, so any process
  // of the logon may open it, and maps all of it. Throws equ::Exception when it cannot.
  virtual std::unique_ptr<SharedMemoryView> Create(const WideString& name, std::size_t size) = 0;
};

// Blocks handed from one module of the process to another: what one allocates, the other frees.
class ProcessHeap {
 public:
  virtual ~ProcessHeap() = default;
  virtual void* Allocate(std::size_t size) = 0;
  virtual void Free(void* block) = 0;
};

}  // namespace equ
