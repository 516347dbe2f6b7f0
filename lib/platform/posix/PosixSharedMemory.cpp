#include "PosixSharedMemory.h"

#include <fcntl.h>
#include <unistd.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace equ::posix {

namespace {

std::string ObjectName(const WideString& name) {
  return "/equ-" + std::to_string(getuid()) + "-" + WideToUtf8(name);
}

// A view; the creator's view also removes the object when it goes, as the last handle of a
// Windows mapping does.
class MappedView : public SharedMemoryView {
 public:
  MappedView(void* address, std::size_t size, std::string unlinkName)
      : address_(address), size_(size), unlinkName_(std::move(unlinkName)) {}
  ~MappedView() override {
    munmap(address_, size_);
    if (!unlinkName_.empty()) shm_unlink(unlinkName_.c_str());
  }
  MappedView(const MappedView&) = delete;
  MappedView& operator=(const MappedView&) = delete;
  std::span<std::byte> Bytes() override { return {static_cast<std::byte*>(address_), size_}; }

 private:
  void* address_;
  std::size_t size_;
  std::string unlinkName_;
};

PortError LastError() {
  return PortFailure(Utf8ToWide(std::strerror(errno)));
}

// A descriptor, closed on scope exit.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  bool valid() const { return fd_ >= 0; }
  int get() const { return fd_; }

 private:
  int fd_;
};

SharedMemory::ViewResult MapAll(const FileDescriptor& fd, std::string unlinkName) {
  struct stat info {};
  if (fstat(fd.get(), &info) != 0) return LastError();
  if (info.st_size <= 0) return PortFailure(u"Объект общей памяти пуст");
  const auto size = static_cast<std::size_t>(info.st_size);
  void* address = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd.get(), 0);
  if (address == MAP_FAILED) return LastError();
  return std::make_unique<MappedView>(address, size, std::move(unlinkName));
}

}  // namespace

SharedMemory::ViewResult PosixSharedMemory::Open(const WideString& name) {
  const FileDescriptor fd(shm_open(ObjectName(name).c_str(), O_RDWR, 0));
  if (!fd.valid()) return LastError();
  return MapAll(fd, std::string());
}

SharedMemory::ViewResult PosixSharedMemory::Create(const WideString& name, std::size_t size) {
  const std::string objectName = ObjectName(name);
  const FileDescriptor fd(shm_open(objectName.c_str(), O_RDWR | O_CREAT, 0600));
  if (!fd.valid() || ftruncate(fd.get(), static_cast<off_t>(size)) != 0) return LastError();
  return MapAll(fd, objectName);
}

}  // namespace equ::posix
