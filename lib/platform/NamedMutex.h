#pragma once

#include <memory>

#include "equipment/common/WideString.h"
#include "platform/PortResult.h"

namespace equ {

// A named mutex of the user's logon, held from a successful creation until the object goes:
// it is then released and its handle closed.
class NamedMutexHold {
 public:
  virtual ~NamedMutexHold() = default;
};

// Creates named mutexes of the user's logon, owned at once by the calling thread.
class NamedMutexes {
 public:
  // The mutex when this call created it; none when another holder already has it (nothing of
  // it is kept then).
  using Claim = PortResult<std::unique_ptr<NamedMutexHold>>;
  virtual ~NamedMutexes() = default;
  virtual Claim CreateOwned(const WideString& name) = 0;
};

}  // namespace equ
