#pragma once

#include <optional>

#include "equipment/common/WideString.h"

namespace equ {

// Platform special-folder identifiers the driver asks for.
inline constexpr int kFolderAppData = 26;        // the current user's roaming data
inline constexpr int kFolderCommonAppData = 35;  // application data of all users

// Folders of the file system. Failures of GrantEveryoneAccess are raised as equ::Exception
// with the platform's error text.
class Folders {
 public:
  virtual ~Folders() = default;
  // The special folder's path (without a trailing delimiter), created when missing;
  // nullopt when the platform cannot give it.
  virtual std::optional<WideString> SpecialFolder(int folderId) const = 0;
  virtual bool DirectoryExists(const WideString& path) const = 0;
  // Creates a folder and every missing parent; false when that fails.
  virtual bool ForceDirectories(const WideString& path) const = 0;
  // Gives every user full access to the folder and everything below it.
  virtual void GrantEveryoneAccess(const WideString& path) const = 0;
  virtual char16_t PathDelimiter() const = 0;
};

}  // namespace equ
