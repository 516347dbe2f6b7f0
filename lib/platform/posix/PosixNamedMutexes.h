#pragma once

#include <string>

#include "platform/NamedMutex.h"

namespace equ::posix {

// Named mutexes of the native build: an exclusive lock on a file named after the mutex in a
// folder of the user's own (/tmp/equ-mutex-<uid>), so two processes of one user exclude each
// other as two processes of one Windows logon do.
class PosixNamedMutexes : public NamedMutexes {
 public:
  // folder: where the lock files are; empty means the user's own folder below /tmp.
  explicit PosixNamedMutexes(std::string folder = std::string()) : folder_(std::move(folder)) {}
  Claim CreateOwned(const WideString& name) override;

 private:
  std::string folder_;
};

}  // namespace equ::posix
