#include "PosixNamedMutexes.h"

#include <fcntl.h>
#include <unistd.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace equ::posix {

namespace {

class FileLockHold : public NamedMutexHold {
 public:
  explicit FileLockHold(int fd) : fd_(fd) {}
  ~FileLockHold() override {
    if (locked_) flock(fd_, LOCK_UN);
    close(fd_);
  }
  // The lock was never taken: only the descriptor is closed.
  void Abandon() { locked_ = false; }
  FileLockHold(const FileLockHold&) = delete;
  FileLockHold& operator=(const FileLockHold&) = delete;

 private:
  int fd_;
  bool locked_ = true;
};

std::string LockFolder() {
  return "/tmp/equ-mutex-" + std::to_string(getuid());
}

}  // namespace

NamedMutexes::Claim PosixNamedMutexes::CreateOwned(const WideString& name) {
  const std::string folder = folder_.empty() ? LockFolder() : folder_;
  mkdir(folder.c_str(), 0700);
  const std::string path = folder + "/" + WideToUtf8(name) + ".lock";
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return PortFailure(Utf8ToWide(std::strerror(errno)));
  // The hold owns the descriptor from here on, so every way out closes it.
  auto hold = std::make_unique<FileLockHold>(fd);
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) return std::unique_ptr<NamedMutexHold>(std::move(hold));
  const int error = errno;
  hold->Abandon();
  if (error == EWOULDBLOCK) return std::unique_ptr<NamedMutexHold>();
  return PortFailure(Utf8ToWide(std::strerror(error)));
}

}  // namespace equ::posix
