#include "FakePorts.h"

#include "equipment/common/Exceptions.h"

namespace equ::testing {

PortStatus FakeFolders::GrantEveryoneAccess(const WideString& path) const {
  if (grantFails) return PortFailure(u"Отказано в доступе.");
  granted.push_back(path);
  return {};
}

PortResult<WideString> SequentialGuidSource::NewGuidText() {
  const WideString digits = UIntToHex(static_cast<std::uint64_t>(next++), 12);
  return u"{00000000-0000-0000-0000-" + digits + u"}";
}

}  // namespace equ::testing

#include <fstream>
#include <random>
#include <sstream>

namespace equ::testing {

TempDataFolders::TempDataFolders() {
  std::random_device random;
  root_ = std::filesystem::temp_directory_path() / ("equ-test-" + std::to_string(random()));
  std::filesystem::create_directories(root_);
}

TempDataFolders::~TempDataFolders() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

PortResult<WideString> TempDataFolders::SpecialFolder(int folderId) const {
  const std::filesystem::path folder =
      folderId == kFolderCommonAppData ? CommonAppData() : root_ / "Roaming";
  std::filesystem::create_directories(folder);
  return Utf8ToWide(folder.string());
}

std::map<std::string, std::string> FilesBelow(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  if (!std::filesystem::exists(folder)) return files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    files[std::filesystem::relative(entry.path(), folder).string()] = content.str();
  }
  return files;
}

}  // namespace equ::testing
