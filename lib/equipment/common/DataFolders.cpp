#include "DataFolders.h"

#include "Exceptions.h"
#include "platform/Folders.h"
#include "platform/PlatformPorts.h"

namespace equ {

namespace {

WideString CutToPathLimit(WideString path) {
  if (path.size() > kMaxPathChars) path.resize(kMaxPathChars);
  return path;
}

WideString WithTrailingDelimiter(WideString path) {
  const char16_t delimiter = Platform().folders->PathDelimiter();
  if (path.empty() || path.back() != delimiter) path += delimiter;
  return path;
}

}  // namespace

WideString GetModulePath() {
  return CutToPathLimit(Platform().module->ModulePath());
}

WideString GetLongPath(const WideString& path) {
  return CutToPathLimit(Platform().module->LongPath(path));
}

WideString GetModuleName() {
  return FileNameWithoutExtension(GetLongPath(GetModulePath()));
}

FileVersion GetFileVersion(const WideString& path) {
  return Platform().module->GetFileVersion(path);
}

WideString GetSpecialFolder(int folderId, SpecialFolderFallback fallback) {
  const Folders& folders = *Platform().folders;
  auto folder = folders.SpecialFolder(folderId);
  if (!folder) {
    folder = folders.SpecialFolder(
        fallback == SpecialFolderFallback::UserAppData ? kFolderAppData : kFolderCommonAppData);
  }
  if (!folder) return WideString();
  return WithTrailingDelimiter(CutToPathLimit(*folder));
}

WideString GetDefaultDataFolder(SpecialFolderFallback fallback) {
  const WideString common = GetSpecialFolder(kFolderCommonAppData, fallback);
  // Without an application-data folder there is no sound place for the files: a folder
  // relative to whatever the host's current directory is would scatter them.
  if (common.empty()) throw Exception(u"Не удалось получить папку данных приложений");
  const WideString folder = WithTrailingDelimiter(common + GetModuleName());
  Platform().folders->ForceDirectories(folder);
  GrantEveryoneAccess(folder);
  return folder;
}

void GrantEveryoneAccess(const WideString& folder) {
  const PortStatus granted = Platform().folders->GrantEveryoneAccess(folder);
  if (!granted) throw Exception(granted.error());
}

WideString FileNameWithoutExtension(const WideString& path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  WideString name = slash == WideString::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.find_last_of(u'.');
  if (dot != WideString::npos) name.resize(dot);
  return name;
}

}  // namespace equ
