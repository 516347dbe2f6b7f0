#include "WinLogFiles.h"

#include <windows.h>

#include "WinHandles.h"
#include "WinText.h"

namespace equ::win32 {

namespace {

PortError LastErrorOf(const WideString& path) {
  return PortFailure(path + u": " + SystemErrorText(GetLastError()));
}

// Another writer holding the file (a second process logging the same day) lets go soon.
constexpr int kOpenAttempts = 50;
constexpr DWORD kRetryPauseMs = 10;

}  // namespace

PortStatus WinLogFiles::Append(const WideString& path, std::string_view bytes,
                               bool denyOtherWriters) const {
  const DWORD share = denyOtherWriters ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
  KernelHandle file;
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    file.reset(CreateFileW(WidePtr(path), FILE_APPEND_DATA | GENERIC_READ, share, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file || GetLastError() != ERROR_SHARING_VIOLATION) break;
    Sleep(kRetryPauseMs);
  }
  if (!file) return LastErrorOf(path);
  SetFilePointer(file.get(), 0, nullptr, FILE_END);
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size()) {
    return LastErrorOf(path);
  }
  return {};
}

}  // namespace equ::win32
