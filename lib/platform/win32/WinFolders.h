#pragma once

#include "platform/Folders.h"

namespace equ::win32 {

// Special folders of the shell, folder creation and the Everyone access grant.
class WinFolders : public Folders {
 public:
  PortResult<WideString> SpecialFolder(int folderId) const override;
  bool DirectoryExists(const WideString& path) const override;
  bool ForceDirectories(const WideString& path) const override;
  // Merges one entry granting Everyone generic-all, inherited by sub-folders and files, unless
  // the folder has no access list at all or already has such an entry.
  PortStatus GrantEveryoneAccess(const WideString& path) const override;
  char16_t PathDelimiter() const override { return u'\\'; }
};

}  // namespace equ::win32
