#pragma once

#include "platform/SharedMemory.h"

namespace equ::win32 {

// Named file mappings backed by the paging file, in the logon's local namespace.
class WinSharedMemory : public SharedMemory {
 public:
  std::unique_ptr<SharedMemoryView> Open(const WideString& name) override;
  std::unique_ptr<SharedMemoryView> Create(const WideString& name, std::size_t size) override;
};

// The process heap, which every module of the process shares.
class WinProcessHeap : public ProcessHeap {
 public:
  void* Allocate(std::size_t size) override;
  void Free(void* block) override;
};

}  // namespace equ::win32
