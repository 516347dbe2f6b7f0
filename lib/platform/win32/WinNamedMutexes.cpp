#include "WinNamedMutexes.h"

#include <windows.h>

#include "WinHandles.h"
#include "WinText.h"

namespace equ::win32 {

namespace {

// Owns the mutex: releases it and closes its handle on destruction. The releasing thread must
// be the owning one; the driver object lives on a single thread.
class MutexHold : public NamedMutexHold {
 public:
  explicit MutexHold(KernelHandle mutex) : mutex_(std::move(mutex)) {}
  ~MutexHold() override { ReleaseMutex(mutex_.get()); }

 private:
  KernelHandle mutex_;
};

}  // namespace

NamedMutexes::Claim WinNamedMutexes::CreateOwned(const WideString& name) {
  const WideString localName = u"Local\\" + name;
  KernelHandle mutex(CreateMutexW(nullptr, TRUE, WidePtr(localName)));
  const DWORD error = GetLastError();
  if (!mutex) return PortFailure(SystemErrorText(error));
  // Keeping this handle would keep the mutex alive after its holder has gone.
  if (error == ERROR_ALREADY_EXISTS) return std::unique_ptr<NamedMutexHold>();
  return std::unique_ptr<NamedMutexHold>(std::make_unique<MutexHold>(std::move(mutex)));
}

}  // namespace equ::win32
