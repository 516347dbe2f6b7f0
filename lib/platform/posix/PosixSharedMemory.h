#pragma once

#include "platform/SharedMemory.h"

namespace equ {

// POSIX shared memory objects, named "/equ-<uid>-<name>" so each user has their own.
class PosixSharedMemory : public SharedMemory {
 public:
  std::unique_ptr<SharedMemoryView> Open(const WideString& name) override;
  std::unique_ptr<SharedMemoryView> Create(const WideString& name, std::size_t size) override;
};

class PosixProcessHeap : public ProcessHeap {
 public:
  void* Allocate(std::size_t size) override;
  void Free(void* block) override;
};

}  // namespace equ
