#include "PosixNamedMutexes.h"

#include <fcntl.h>
#include <unistd.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace equ {

namespace {

class FileLockHold : public NamedMutexHold {
 public:
  explicit FileLockHold(int fd) : fd_(fd) {}
  ~FileLockHold() override {
    flock(fd_, LOCK_UN);
    close(fd_);
  }
  FileLockHold(const FileLockHold&) = delete;
  FileLockHold& operator=(const FileLockHold&) = delete;

 private:
  int fd_;
};

std::string LockFolder() {
  return "/tmp/equ-mutex-" + std::to_string(getuid());
}

}  // namespace

NamedMutexes::Result PosixNamedMutexes::CreateOwned(const WideString& name) {
  const std::string folder = folder_.empty() ? LockFolder() : folder_;
  mkdir(folder.c_str(), 0700);
  const std::string path = folder + "/" + WideToUtf8(name) + ".lock";
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return Result{Outcome::Failed, nullptr, Utf8ToWide(std::strerror(errno))};
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
    return Result{Outcome::Created, std::make_unique<FileLockHold>(fd), WideString()};
  }
  const int error = errno;
  close(fd);
  if (error == EWOULDBLOCK) return Result{Outcome::AlreadyExists, nullptr, WideString()};
  return Result{Outcome::Failed, nullptr, Utf8ToWide(std::strerror(error))};
}

}  // namespace equ
