#pragma once

#include "platform/Folders.h"

namespace equ::posix {

// Folders of the native build. The special folders map to the environment:
// common application data (35) to $EQU_COMMON_APPDATA, else /var/tmp/equ-common-appdata;
// the user's application data (26) to $XDG_CONFIG_HOME, else $HOME/.config.
class PosixFolders : public Folders {
 public:
  PortResult<WideString> SpecialFolder(int folderId) const override;
  bool DirectoryExists(const WideString& path) const override;
  bool ForceDirectories(const WideString& path) const override;
  // Opens the folder to every user (read, write and search for all).
  PortStatus GrantEveryoneAccess(const WideString& path) const override;
  char16_t PathDelimiter() const override { return u'/'; }
};

}  // namespace equ::posix
