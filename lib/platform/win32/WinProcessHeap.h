#pragma once

#include <windows.h>

#include "platform/ProcessHeap.h"

namespace equ::win32 {

// The process heap, which every module of the process shares.
class WinProcessHeap : public ProcessHeap {
 public:
  void* Allocate(std::size_t size) override { return HeapAlloc(GetProcessHeap(), 0, size); }
  void Free(void* block) override { HeapFree(GetProcessHeap(), 0, block); }
};

}  // namespace equ::win32
