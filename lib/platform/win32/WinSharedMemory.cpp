#include "WinSharedMemory.h"

#include <windows.h>

#include "WinHandles.h"
#include "WinText.h"

namespace equ::win32 {

namespace {

class MappingView : public SharedMemoryView {
 public:
  MappingView(KernelHandle mapping, MappedView view, std::size_t size)
      : mapping_(std::move(mapping)), view_(std::move(view)), size_(size) {}
  std::span<std::byte> Bytes() override { return {static_cast<std::byte*>(view_.get()), size_}; }

 private:
  // The view goes before the mapping it belongs to.
  KernelHandle mapping_;
  MappedView view_;
  std::size_t size_;
};

PortError LastError() {
  return PortFailure(SystemErrorText(GetLastError()));
}

SharedMemory::ViewResult MapAll(KernelHandle mapping) {
  MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (!view) return LastError();
  MEMORY_BASIC_INFORMATION info{};
  if (VirtualQuery(view.get(), &info, sizeof info) == 0) return LastError();
  return std::make_unique<MappingView>(std::move(mapping), std::move(view), info.RegionSize);
}

}  // namespace

SharedMemory::ViewResult WinSharedMemory::Open(const WideString& name) {
  KernelHandle mapping(OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, WidePtr(name)));
  if (!mapping) return LastError();
  return MapAll(std::move(mapping));
}

SharedMemory::ViewResult WinSharedMemory::Create(const WideString& name, std::size_t size) {
  // An access list that is present but empty: any process of the logon may open the mapping.
  SECURITY_DESCRIPTOR descriptor{};
  InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, TRUE};
  KernelHandle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, &attributes, PAGE_READWRITE, 0,
                                          static_cast<DWORD>(size), WidePtr(name)));
  if (!mapping) return LastError();
  return MapAll(std::move(mapping));
}

}  // namespace equ::win32
