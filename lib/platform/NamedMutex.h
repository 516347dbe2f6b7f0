#pragma once

#include <memory>

#include "equipment/common/WideString.h"

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
  enum class Outcome { Created, AlreadyExists, Failed };
  struct Result {
    Outcome outcome = Outcome::Failed;
    std::unique_ptr<NamedMutexHold> hold;  // set only for Created
    WideString error;                      // the platform's text for Failed
  };
  virtual ~NamedMutexes() = default;
  // A mutex that another holder already has is refused, and nothing of it is kept.
  virtual Result CreateOwned(const WideString& name) = 0;
};

}  // namespace equ
