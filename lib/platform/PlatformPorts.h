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
class XmlDocument;
class TextCase;
class KeyTranslator;
class KeyboardThreads;
class SerialPorts;
class TraceWriter;
class DialogDesktop;
class SettingsViews;
class TickClock;
class UserDialogViews;
class StreamSockets;

// Every service of the platform, in one place. Each build supplies its adapters through
// CreateDefaultPlatformPorts (posix/ or win32/).
//
// Who reaches them how: the core's base classes (lib/equipment/common) through Platform();
// everything above them (the driver object, its channels, forms and clients) receives the
// ports it uses through its constructor, wired from these by the module's class
// (ModuleServerClass), so a test hands each component exactly the fakes it means.
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
  // Hidden windows of the calling thread.
  std::shared_ptr<MessageWindows> messageWindows = nullptr;
  std::shared_ptr<NamedMutexes> mutexes = nullptr;
  std::shared_ptr<SharedMemory> sharedMemory = nullptr;
  std::shared_ptr<ProcessHeap> processHeap = nullptr;
  std::shared_ptr<TextLogWindows> textLogWindows = nullptr;
  std::shared_ptr<XmlDocument> xml = nullptr;
  std::shared_ptr<TextCase> textCase = nullptr;
  std::shared_ptr<KeyTranslator> keyTranslator = nullptr;
  // The keyboard hook, timer and injector of a thread, made on that thread.
  std::shared_ptr<KeyboardThreads> keyboardThreads = nullptr;
  // A new serial port for each use.
  std::shared_ptr<SerialPorts> serialPorts = nullptr;
  // Where the driver objects' call-trace lines go (the daily trace file).
  std::shared_ptr<TraceWriter> callTrace = nullptr;
  // The settings windows and the desktop services around them.
  std::shared_ptr<DialogDesktop> dialogDesktop = nullptr;
  std::shared_ptr<SettingsViews> settingsViews = nullptr;
  // The payment client's waits, its waiting dialog and the customer display's TCP link.
  std::shared_ptr<TickClock> ticks = nullptr;
  std::shared_ptr<UserDialogViews> userDialogs = nullptr;
  std::shared_ptr<StreamSockets> streamSockets = nullptr;
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
