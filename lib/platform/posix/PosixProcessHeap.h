#pragma once

#include <cstdlib>

#include "platform/ProcessHeap.h"

namespace equ::posix {

// The C heap, which every module of the process shares.
class PosixProcessHeap : public ProcessHeap {
 public:
  void* Allocate(std::size_t size) override { return std::malloc(size); }
  void Free(void* block) override { std::free(block); }
};

}  // namespace equ::posix
