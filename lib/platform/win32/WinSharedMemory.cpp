#include "WinSharedMemory.h"

#include <windows.h>

#include "WinText.h"
#include "equipment/common/Exceptions.h"

namespace equ::win32 {

namespace {

class MappingView : public SharedMemoryView {
 public:
  MappingView(HANDLE mapping, void* address, std::size_t size)
      : mapping_(mapping), address_(address), size_(size) {}
  ~MappingView() override {
    UnmapViewOfFile(address_);
    CloseHandle(mapping_);
  }
  MappingView(const MappingView&) = delete;
  MappingView& operator=(const MappingView&) = delete;
  std::span<std::byte> Bytes() override { return {static_cast<std::byte*>(address_), size_}; }

 private:
  HANDLE mapping_;
  void* address_;
  std::size_t size_;
};

// Maps all of a mapping; takes the handle over (closed when mapping fails).
std::unique_ptr<SharedMemoryView> MapAll(HANDLE mapping) {
  void* address = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
  MEMORY_BASIC_INFORMATION info{};
  if (address == nullptr || VirtualQuery(address, &info, sizeof info) == 0) {
    if (address != nullptr) UnmapViewOfFile(address);
    CloseHandle(mapping);
    return nullptr;
  }
  return std::make_unique<MappingView>(mapping, address, info.RegionSize);
}

}  // namespace

std::unique_ptr<SharedMemoryView> WinSharedMemory::Open(const WideString& name) {
  HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, WidePtr(name));
  if (mapping == nullptr) return nullptr;
  return MapAll(mapping);
}

std::unique_ptr<SharedMemoryView> WinSharedMemory::Create(const WideString& name,
                                                          std::size_t size) {
  // An access list that is present but empty: any process of the logon may open the mapping.
  SECURITY_DESCRIPTOR descriptor{};
  InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, TRUE};
  HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, &attributes, PAGE_READWRITE, 0,
                                      static_cast<DWORD>(size), WidePtr(name));
  if (mapping == nullptr) throw Exception(SystemErrorText(GetLastError()));
  auto view = MapAll(mapping);
  if (!view) throw Exception(SystemErrorText(GetLastError()));
  return view;
}

void* WinProcessHeap::Allocate(std::size_t size) {
  return HeapAlloc(GetProcessHeap(), 0, size);
}

void WinProcessHeap::Free(void* block) {
  HeapFree(GetProcessHeap(), 0, block);
}

}  // namespace equ::win32
