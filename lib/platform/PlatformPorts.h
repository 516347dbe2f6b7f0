#pragma once

#include <memory>

namespace equ {

class UserLocale;
class ModuleInfo;
class Folders;
class GuidSource;
class Clock;
class CodePage;
class LogFiles;
class SystemInfo;
class WindowFocus;
class MessageWindows;
class NamedMutexes;
class SharedMemory;
class ProcessHeap;
class TextLogWindows;

// The platform services the portable core needs, reached in one place. Each build supplies its
// adapters through CreateDefaultPlatformPorts (posix/ or win32/); tests may put fakes in.
struct PlatformPorts {
  std::shared_ptr<UserLocale> locale = nullptr;
  std::shared_ptr<ModuleInfo> module = nullptr;
  std::shared_ptr<Folders> folders = nullptr;
  std::shared_ptr<GuidSource> guids = nullptr;
  std::shared_ptr<Clock> clock = nullptr;
  std::shared_ptr<CodePage> codePage = nullptr;
  std::shared_ptr<LogFiles> logFiles = nullptr;
  std::shared_ptr<SystemInfo> system = nullptr;
  std::shared_ptr<WindowFocus> windowFocus = nullptr;
  // Hidden windows of the object's thread; none where the build has no window adapter.
  std::shared_ptr<MessageWindows> messageWindows = nullptr;
  std::shared_ptr<NamedMutexes> mutexes = nullptr;
  std::shared_ptr<SharedMemory> sharedMemory = nullptr;
  std::shared_ptr<ProcessHeap> processHeap = nullptr;
  std::shared_ptr<TextLogWindows> textLogWindows = nullptr;
};

PlatformPorts CreateDefaultPlatformPorts();

// The ports in force for this process, created on first use.
PlatformPorts& Platform();

// Replaces some ports for the life of the object (tests); the others stay as they are.
class ScopedPlatformPorts {
 public:
  explicit ScopedPlatformPorts(PlatformPorts replacement);
  ~ScopedPlatformPorts();
  ScopedPlatformPorts(const ScopedPlatformPorts&) = delete;
  ScopedPlatformPorts& operator=(const ScopedPlatformPorts&) = delete;

 private:
  PlatformPorts saved_;
};

}  // namespace equ
