#include "PosixLogFiles.h"

#include <fcntl.h>
#include <unistd.h>
#include <sys/file.h>

#include <cerrno>
#include <cstring>

namespace equ::posix {

namespace {

PortError ErrnoFailure(const std::string& path) {
  return PortFailure(Utf8ToWide(path + ": " + std::strerror(errno)));
}

// A file descriptor, closed on scope exit.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

PortStatus PosixLogFiles::Append(const WideString& path, std::string_view bytes,
                                 bool denyOtherWriters) const {
  const std::string narrow = WideToUtf8(path);
  const FileDescriptor file(open(narrow.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
  if (file.get() < 0) return ErrnoFailure(narrow);
  if (denyOtherWriters && flock(file.get(), LOCK_EX) != 0) return ErrnoFailure(narrow);
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = write(file.get(), bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return ErrnoFailure(narrow);
    }
    written += static_cast<std::size_t>(n);
  }
  return {};
}

}  // namespace equ::posix
