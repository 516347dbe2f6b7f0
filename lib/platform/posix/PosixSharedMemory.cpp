#include "PosixSharedMemory.h"

#include <fcntl.h>
#include <unistd.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "equipment/common/Exceptions.h"

namespace equ {

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

std::unique_ptr<SharedMemoryView> MapAll(int fd, std::string unlinkName) {
  struct stat info {};
  std::unique_ptr<SharedMemoryView> view;
  if (fstat(fd, &info) == 0 && info.st_size > 0) {
    const auto size = static_cast<std::size_t>(info.st_size);
    void* address = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (address != MAP_FAILED) {
      view = std::make_unique<MappedView>(address, size, std::move(unlinkName));
    }
  }
  close(fd);
  return view;
}

}  // namespace

std::unique_ptr<SharedMemoryView> PosixSharedMemory::Open(const WideString& name) {
  const int fd = shm_open(ObjectName(name).c_str(), O_RDWR, 0);
  if (fd < 0) return nullptr;
  return MapAll(fd, std::string());
}

std::unique_ptr<SharedMemoryView> PosixSharedMemory::Create(const WideString& name,
                                                            std::size_t size) {
  const std::string objectName = ObjectName(name);
  const int fd = shm_open(objectName.c_str(), O_RDWR | O_CREAT, 0600);
  if (fd < 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) {
    const std::string error = std::strerror(errno);
    if (fd >= 0) close(fd);
    throw Exception(Utf8ToWide(error));
  }
  auto view = MapAll(fd, objectName);
  if (!view) throw Exception(u"mmap failed");
  return view;
}

void* PosixProcessHeap::Allocate(std::size_t size) {
  return std::malloc(size);
}

void PosixProcessHeap::Free(void* block) {
  std::free(block);
}

}  // namespace equ
