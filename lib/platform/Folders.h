#pragma once

#include "equipment/common/WideString.h"
#include "platform/PortResult.h"

namespace equ {

// Platform special-folder identifiers the driver asks for.
inline constexpr int kFolderAppData = 26;        // the current user's roaming data
inline constexpr int kFolderCommonAppData = 35;  // application data of all users

// Folders of the file system.
class Folders {
 public:
  virtual ~Folders() = default;
  // The special folder's path (without a trailing delimiter), created when missing; a failure
  // when the platform cannot give it.
  virtual PortResult<WideString> SpecialFolder(int folderId) const = 0;
  virtual bool DirectoryExists(const WideString& path) const = 0;
  // Creates a folder and every missing parent; false when that fails.
  virtual bool ForceDirectories(const WideString& path) const = 0;
  // Gives every user full access to the folder and everything below it.
  virtual PortStatus GrantEveryoneAccess(const WideString& path) const = 0;
  virtual char16_t PathDelimiter() const = 0;
};

}  // namespace equ
