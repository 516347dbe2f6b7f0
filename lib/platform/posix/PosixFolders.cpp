#include "PosixFolders.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace equ::posix {

namespace {

std::optional<std::string> FromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

}  // namespace

PortResult<WideString> PosixFolders::SpecialFolder(int folderId) const {
  std::optional<std::string> folder;
  if (folderId == kFolderCommonAppData) {
    folder = FromEnvironment("EQU_COMMON_APPDATA").value_or("/var/tmp/equ-common-appdata");
  } else if (folderId == kFolderAppData) {
    folder = FromEnvironment("XDG_CONFIG_HOME");
    if (!folder) {
      if (auto home = FromEnvironment("HOME")) folder = *home + "/.config";
    }
  }
  if (!folder) return PortFailure(u"Папка " + IntToWide(folderId) + u" не задана в окружении");
  std::error_code error;
  std::filesystem::create_directories(*folder, error);
  if (!std::filesystem::is_directory(*folder, error)) {
    return PortFailure(Utf8ToWide(*folder + ": " + error.message()));
  }
  return Utf8ToWide(*folder);
}

bool PosixFolders::DirectoryExists(const WideString& path) const {
  std::error_code error;
  return !path.empty() && std::filesystem::is_directory(WideToUtf8(path), error);
}

bool PosixFolders::ForceDirectories(const WideString& path) const {
  std::error_code error;
  const std::string narrow = WideToUtf8(path);
  std::filesystem::create_directories(narrow, error);
  return std::filesystem::is_directory(narrow, error);
}

PortStatus PosixFolders::GrantEveryoneAccess(const WideString& path) const {
  struct stat info {};
  const std::string narrow = WideToUtf8(path);
  if (stat(narrow.c_str(), &info) != 0 ||
      (((info.st_mode & 0777) != 0777) && chmod(narrow.c_str(), info.st_mode | 0777) != 0)) {
    return PortFailure(Utf8ToWide(std::strerror(errno)));
  }
  return {};
}

}  // namespace equ::posix
