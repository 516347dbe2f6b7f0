#include "WinFolders.h"

#include <windows.h>
#include <aclapi.h>
#include <shlobj.h>

#include "WinHandles.h"
#include "WinText.h"

namespace equ::win32 {

namespace {

PortError SystemFailure(DWORD code) {
  return PortFailure(SystemErrorText(code));
}

// The well-known identifier of Everyone, S-1-1-0.
PortResult<SidHandle> EveryoneSid() {
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  SidHandle sid;
  if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, sid.put())) {
    return SystemFailure(GetLastError());
  }
  return sid;
}

bool HasEveryoneGenericAll(PACL dacl, PSID everyone) {
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) continue;
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    if (allowed->Mask == GENERIC_ALL && EqualSid(&allowed->SidStart, everyone)) return true;
  }
  return false;
}

WideString WithoutTrailingDelimiter(WideString path) {
  while (path.size() > 3 && (path.back() == u'\\' || path.back() == u'/')) path.pop_back();
  return path;
}

}  // namespace

PortResult<WideString> WinFolders::SpecialFolder(int folderId) const {
  wchar_t buffer[MAX_PATH] = {};
  const HRESULT result =
      SHGetFolderPathW(nullptr, folderId | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, buffer);
  if (FAILED(result)) return SystemFailure(static_cast<DWORD>(result));
  return FromWide(buffer);
}

bool WinFolders::DirectoryExists(const WideString& path) const {
  if (path.empty()) return false;
  const DWORD attributes = GetFileAttributesW(WidePtr(WithoutTrailingDelimiter(path)));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool WinFolders::ForceDirectories(const WideString& path) const {
  const WideString folder = WithoutTrailingDelimiter(path);
  if (folder.empty() || DirectoryExists(folder)) return !folder.empty();
  const std::size_t parentEnd = folder.find_last_of(u"\\/");
  if (parentEnd != WideString::npos && parentEnd > 2) ForceDirectories(folder.substr(0, parentEnd));
  return CreateDirectoryW(WidePtr(folder), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

PortStatus WinFolders::GrantEveryoneAccess(const WideString& path) const {
  const PortResult<SidHandle> everyone = EveryoneSid();
  if (!everyone) return PortFailure(everyone.error());
  const WideString folder = WithoutTrailingDelimiter(path);
  PACL dacl = nullptr;
  LocalMemory descriptor;
  const DWORD read =
      GetNamedSecurityInfoW(WidePtr(folder), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, &dacl, nullptr, descriptor.put());
  if (read != ERROR_SUCCESS) return SystemFailure(read);
  // No list at all already means full access for everyone.
  if (dacl == nullptr || HasEveryoneGenericAll(dacl, everyone->get())) return {};

  EXPLICIT_ACCESS_W entry{};
  entry.grfAccessPermissions = GENERIC_ALL;
  entry.grfAccessMode = GRANT_ACCESS;
  entry.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
  entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  entry.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  entry.Trustee.ptstrName = static_cast<LPWSTR>(everyone->get());
  PACL mergedList = nullptr;
  const DWORD merge = SetEntriesInAclW(1, &entry, dacl, &mergedList);
  const LocalMemory merged(mergedList);
  if (merge != ERROR_SUCCESS) return SystemFailure(merge);
  // The folder stays usable by this user even when the list cannot be written back.
  SetNamedSecurityInfoW(const_cast<wchar_t*>(WidePtr(folder)), SE_FILE_OBJECT,
                        DACL_SECURITY_INFORMATION, nullptr, nullptr, mergedList, nullptr);
  return {};
}

}  // namespace equ::win32
