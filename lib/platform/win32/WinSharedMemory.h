#pragma once

#include "platform/SharedMemory.h"

namespace equ::win32 {

// Named file mappings backed by the paging file, in the logon's local namespace.
class WinSharedMemory : public SharedMemory {
 public:
  ViewResult Open(const WideString& name) override;
  ViewResult Create(const WideString& name, std::size_t size) override;
};

}  // namespace equ::win32
