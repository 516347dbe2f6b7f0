#pragma once

#include "WideString.h"
#include "platform/ModuleInfo.h"

namespace equ {

// Paths are limited to the platform's classic 260 characters where the platform fills a
// buffer; a longer text is cut to 259 characters.
inline constexpr std::size_t kMaxPathChars = 259;

WideString GetModulePath();
WideString GetLongPath(const WideString& path);
// Version of the file at a path; an empty path means the driver module.
FileVersion GetFileVersion(const WideString& path);

// Which folder to ask for when the special folder itself cannot be had.
enum class SpecialFolderFallback {
  UserAppData,    // the driver object's variant: the user's roaming application data
  CommonAppData,  // the application log's variant: ask for the common folder again
};

// Path of a special folder, created when missing, with a trailing path delimiter. When
// neither the folder nor its fallback can be had the answer is the empty text.
WideString GetSpecialFolder(int folderId,
                            SpecialFolderFallback fallback = SpecialFolderFallback::UserAppData);

// The module's file name without folder and extension, from the long form of its path: the
// platform may have loaded it by its short 8.3 name (a registration from a folder with a
// blank stores that one), and every folder and file named after the module must still be
// named alike.
WideString GetModuleName();

// The driver's data folder: the module's name (GetModuleName) below the common
// application-data folder, created and opened to all users; ends with a path delimiter.
WideString GetDefaultDataFolder(
    SpecialFolderFallback fallback = SpecialFolderFallback::UserAppData);

// Gives every user full access to a folder and everything below it; raises the platform's
// error text when that cannot be done.
void GrantEveryoneAccess(const WideString& folder);

// The file name of a path without its folder and extension.
WideString FileNameWithoutExtension(const WideString& path);

}  // namespace equ
