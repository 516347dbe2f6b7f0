#include "WinNamedMutexes.h"

#include <windows.h>

#include "WinText.h"

namespace equ::win32 {

namespace {

// Owns the mutex: releases it and closes its handle on destruction. The releasing thread must
// be the owning one; the driver object lives on a single thread.
class MutexHold : public NamedMutexHold {
 public:
  explicit MutexHold(HANDLE mutex) : mutex_(mutex) {}
  ~MutexHold() override {
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
  }
  MutexHold(const MutexHold&) = delete;
  MutexHold& operator=(const MutexHold&) = delete;

 private:
  HANDLE mutex_;
};

}  // namespace

NamedMutexes::Result WinNamedMutexes::CreateOwned(const WideString& name) {
  const WideString localName = u"Local\\" + name;
  HANDLE mutex = CreateMutexW(nullptr, TRUE, WidePtr(localName));
  const DWORD error = GetLastError();
  if (mutex == nullptr) return Result{Outcome::Failed, nullptr, SystemErrorText(error)};
  if (error == ERROR_ALREADY_EXISTS) {
    // Keeping this handle would keep the mutex alive after its holder has gone.
    CloseHandle(mutex);
    return Result{Outcome::AlreadyExists, nullptr, WideString()};
  }
  return Result{Outcome::Created, std::make_unique<MutexHold>(mutex), WideString()};
}

}  // namespace equ::win32
