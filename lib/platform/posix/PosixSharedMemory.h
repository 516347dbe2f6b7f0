#pragma once

#include "platform/SharedMemory.h"

namespace equ::posix {

// POSIX shared memory objects, named "/equ-<uid>-<name>" so each user has their own.
class PosixSharedMemory : public SharedMemory {
 public:
  ViewResult Open(const WideString& name) override;
  ViewResult Create(const WideString& name, std::size_t size) override;
};

}  // namespace equ::posix
