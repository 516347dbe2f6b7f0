#pragma once

#include <cstddef>

namespace equ {

// Blocks handed from one module of the process to another: what one allocates, the other frees.
class ProcessHeap {
 public:
  virtual ~ProcessHeap() = default;
  // nullptr when there is no memory for the block.
  virtual void* Allocate(std::size_t size) = 0;
  virtual void Free(void* block) = 0;
};

}  // namespace equ
