#pragma once

#include <map>
#include <optional>
#include <set>
#include <vector>

#include "platform/Folders.h"
#include "platform/GuidSource.h"
#include "platform/ModuleInfo.h"
#include "platform/WindowFocus.h"

namespace equ::testing {

// Folders held in memory: which exist, which special folders the platform gives, and every
// access grant asked for.
class FakeFolders : public Folders {
 public:
  std::map<int, WideString> special;
  mutable std::set<WideString> existing;
  mutable std::vector<WideString> granted;
  bool grantFails = false;

  PortResult<WideString> SpecialFolder(int folderId) const override {
    auto it = special.find(folderId);
    if (it == special.end()) return PortFailure(u"Папка не найдена");
    existing.insert(it->second);
    return it->second;
  }
  bool DirectoryExists(const WideString& path) const override { return existing.count(path) != 0; }
  bool ForceDirectories(const WideString& path) const override {
    existing.insert(path);
    return true;
  }
  PortStatus GrantEveryoneAccess(const WideString& path) const override;
  char16_t PathDelimiter() const override { return u'\\'; }
};

class FakeModuleInfo : public ModuleInfo {
 public:
  WideString path = u"C:\\Program Files\\Ovex\\s_morvanelv41.dll";
  FileVersion version{1, 1, 1, 2};

  WideString ModulePath() const override { return path; }
  // Short 8.3 paths and their long forms, as the file system knows them; any other path is
  // long already.
  std::map<WideString, WideString> longPaths;
  WideString LongPath(const WideString& p) const override {
    const auto it = longPaths.find(p);
    return it != longPaths.end() ? it->second : p;
  }
  FileVersion GetFileVersion(const WideString& p) const override {
    return p.empty() || p == path ? version : FileVersion{};
  }
};

// GUIDs numbered in order, so tests can tell objects apart and predict their identifiers.
class SequentialGuidSource : public GuidSource {
 public:
  int next = 1;
  PortResult<WideString> NewGuidText() override;
};

// The host thread's top-level windows as the platform keeps them: each takes input or not,
// one may be in front, and only enabled ones are listed.
class FakeWindowFocus : public WindowFocus {
 public:
  mutable std::map<std::uintptr_t, bool> enabled;
  std::uintptr_t foreground = 0;
  mutable std::vector<std::pair<std::uintptr_t, bool>> inputChanges;
  mutable std::vector<std::uintptr_t> broughtToFront;

  std::uintptr_t ForegroundWindow() const override { return foreground; }
  std::vector<std::uintptr_t> EnabledThreadWindows() const override {
    std::vector<std::uintptr_t> windows;
    for (const auto& [window, on] : enabled) {
      if (on) windows.push_back(window);
    }
    return windows;
  }
  void EnableInput(std::uintptr_t window, bool enable) const override {
    inputChanges.emplace_back(window, enable);
    enabled[window] = enable;
  }
  void BringToFront(std::uintptr_t window) const override { broughtToFront.push_back(window); }
};

}  // namespace equ::testing

#include <filesystem>
#include <mutex>

#include "platform/Clock.h"
#include "platform/posix/PosixFolders.h"

namespace equ::testing {

// A clock that stands still until a test moves it.
class FakeClock : public Clock {
 public:
  explicit FakeClock(LocalDateTime now) : now_(now) {}
  LocalDateTime Now() const override {
    const std::lock_guard<std::mutex> guard(lock_);
    return now_;
  }
  void Set(LocalDateTime now) {
    const std::lock_guard<std::mutex> guard(lock_);
    now_ = now;
  }

 private:
  mutable std::mutex lock_;
  LocalDateTime now_;
};

// Real folders, with the application-data folders inside a fresh temporary folder that is
// removed again with the object.
class TempDataFolders : public posix::PosixFolders {
 public:
  TempDataFolders();
  ~TempDataFolders() override;
  PortResult<WideString> SpecialFolder(int folderId) const override;
  const std::filesystem::path& Root() const { return root_; }
  std::filesystem::path CommonAppData() const { return root_ / "ProgramData"; }

 private:
  std::filesystem::path root_;
};

// Every regular file below a folder, with its contents.
std::map<std::string, std::string> FilesBelow(const std::filesystem::path& folder);

}  // namespace equ::testing
