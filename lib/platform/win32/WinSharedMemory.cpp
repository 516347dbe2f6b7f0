#include "WinSharedMemory.h"

#include <windows.h>

#include <aclapi.h>

#include <vector>

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

// The user this process runs as: the TOKEN_USER record of the process token, whose SID points
// into the same buffer.
PortResult<std::vector<BYTE>> CurrentUser() {
  KernelHandle token;
  HANDLE opened = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return LastError();
  token.reset(opened);
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  if (size == 0) return LastError();
  std::vector<BYTE> user(size);
  if (!GetTokenInformation(token.get(), TokenUser, user.data(), size, &size)) return LastError();
  return user;
}

// An access list with one entry: everything for the current user, nobody else.
PortResult<LocalMemory> CurrentUserOnlyAcl(const std::vector<BYTE>& user) {
  const auto* tokenUser = reinterpret_cast<const TOKEN_USER*>(user.data());
  EXPLICIT_ACCESS_W entry{};
  entry.grfAccessPermissions = GENERIC_ALL;
  entry.grfAccessMode = SET_ACCESS;
  entry.grfInheritance = NO_INHERITANCE;
  entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  entry.Trustee.TrusteeType = TRUSTEE_IS_USER;
  entry.Trustee.ptstrName = static_cast<LPWSTR>(tokenUser->User.Sid);
  PACL list = nullptr;
  const DWORD made = SetEntriesInAclW(1, &entry, nullptr, &list);
  LocalMemory owned(list);
  if (made != ERROR_SUCCESS) return PortFailure(SystemErrorText(made));
  return owned;
}

}  // namespace

SharedMemory::ViewResult WinSharedMemory::Open(const WideString& name) {
  KernelHandle mapping(OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, WidePtr(name)));
  if (!mapping) return LastError();
  return MapAll(std::move(mapping));
}

SharedMemory::ViewResult WinSharedMemory::Create(const WideString& name, std::size_t size) {
  // Sender and receiver are of this process: only the current user may open the mapping.
  const PortResult<std::vector<BYTE>> user = CurrentUser();
  if (!user) return PortFailure(user.error());
  const PortResult<LocalMemory> acl = CurrentUserOnlyAcl(*user);
  if (!acl) return PortFailure(acl.error());
  SECURITY_DESCRIPTOR descriptor{};
  if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(&descriptor, TRUE, static_cast<PACL>(acl->get()), FALSE)) {
    return LastError();
  }
  SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, TRUE};
  KernelHandle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, &attributes, PAGE_READWRITE, 0,
                                          static_cast<DWORD>(size), WidePtr(name)));
  if (!mapping) return LastError();
  return MapAll(std::move(mapping));
}

}  // namespace equ::win32
