#include "WinLogFiles.h"

#include <windows.h>

#include "WinText.h"
#include "equipment/common/Exceptions.h"

namespace equ::win32 {

namespace {

// A file handle, closed on scope exit.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (valid()) CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

[[noreturn]] void ThrowLastError(const WideString& path) {
  throw Exception(path + u": " + SystemErrorText(GetLastError()));
}

// Another writer holding the file (a second process logging the same day) lets go soon.
constexpr int kOpenAttempts = 50;
constexpr DWORD kRetryPauseMs = 10;

}  // namespace

void WinLogFiles::Append(const WideString& path, std::string_view bytes,
                         bool denyOtherWriters) const {
  const DWORD share = denyOtherWriters ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
  HANDLE opened = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    opened = CreateFileW(WidePtr(path), FILE_APPEND_DATA | GENERIC_READ, share, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION) break;
    Sleep(kRetryPauseMs);
  }
  const FileHandle file(opened);
  if (!file.valid()) ThrowLastError(path);
  SetFilePointer(file.get(), 0, nullptr, FILE_END);
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size()) {
    ThrowLastError(path);
  }
}

}  // namespace equ::win32
