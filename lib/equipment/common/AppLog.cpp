#include "AppLog.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "DataFolders.h"
#include "Exceptions.h"
#include "LogTimeStamp.h"
#include "OperatingSystemText.h"
#include "platform/Clock.h"
#include "platform/Folders.h"
#include "platform/LogFiles.h"
#include "platform/PlatformPorts.h"

namespace equ {

namespace {

constexpr char16_t kStopBanner[] = u"============Stop log===============\r\n";

bool IsBlankOrControl(char16_t c) {
  return c <= u' ';
}

WideString Trimmed(const WideString& text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && IsBlankOrControl(text[first])) ++first;
  while (last > first && IsBlankOrControl(text[last - 1])) --last;
  return text.substr(first, last - first);
}

const char16_t* LevelName(std::uint8_t level) {
  switch (level) {
    case kLogInfo:
      return u"INFO";
    case kLogDebug:
      return u"DEBUG";
    case kLogError:
      return u"ERROR";
    default:
      return nullptr;
  }
}

bool ModePasses(std::uint8_t mode, std::uint8_t level) {
  switch (mode) {
    case kLogModeErrors:
      return level == kLogError;
    case kLogModeInfo:
      return level == kLogInfo || level == kLogError;
    case kLogModeAll:
      return true;
    default:
      return false;
  }
}

WideString ModuleFileName() {
  const WideString path = GetLongPath(GetModulePath());
  const std::size_t slash = path.find_last_of(u"\\/");
  return slash == WideString::npos ? path : path.substr(slash + 1);
}

WideString FileVersionText() {
  const FileVersion v = GetFileVersion(u"");
  return IntToWide(v.major) + u"." + IntToWide(v.minor) + u"." + IntToWide(v.release) + u"." +
         IntToWide(v.build);
}

// The process-wide log: its mode, whether this run's start banner is out, and the lock that
// keeps the lines of two threads (and the banner) from mixing.
class ApplicationLog {
 public:
  static ApplicationLog& Instance() {
    static ApplicationLog log;
    return log;
  }

  ~ApplicationLog() { Unload(); }

  void Write(const WideString& source, const WideString& text, std::uint8_t level) {
    if (!ModePasses(mode_, level)) return;
    try {
      const WideString file = TodaysFile();
      const WideString line = FormatAppLogLine(source, text, level);
      const std::lock_guard<std::mutex> guard(lock_);
      if (!started_) {
        WriteLines(file, StartBanner());
        started_ = true;
      }
      WriteLines(file, {line});
    } catch (...) {
      // The log is diagnostics; its callers go on whatever happens to it.
    }
  }

  void SetMode(std::uint8_t mode) {
    const std::uint8_t old = mode_.exchange(mode);
    if (old != kLogModeOff && mode == kLogModeOff) Stop();
  }

  std::uint8_t Mode() const { return mode_; }

  void Unload() {
    if (mode_ != kLogModeOff) Stop();
  }

 private:
  // The ports are made first, so they outlive this object at module unload.
  ApplicationLog() { Platform(); }

  void Stop() {
    try {
      const WideString file = TodaysFile();
      const std::lock_guard<std::mutex> guard(lock_);
      if (started_) WriteLines(file, {kStopBanner});
      started_ = false;
    } catch (...) {
    }
  }

  static std::vector<WideString> StartBanner() {
    const WideString blanks(40, u' ');
    return {blanks,
            u"============Start log=============",
            u"OS version:\t" + OperatingSystemText(),
            u"Application:\t" + ModuleFileName(),
            u"App. version:\t" + FileVersionText(),
            blanks};
  }

  // The folder is made (and opened to all users) when it is missing.
  static WideString TodaysFile() {
    const WideString moduleName = GetModuleName();
    const WideString common =
        GetSpecialFolder(kFolderCommonAppData, SpecialFolderFallback::CommonAppData);
    if (common.empty()) throw Exception(u"Не удалось получить папку данных приложений");
    const Folders& folders = *Platform().folders;
    const WideString folder = common + moduleName + folders.PathDelimiter();
    if (!folders.DirectoryExists(folder)) {
      folders.ForceDirectories(folder);
      GrantEveryoneAccess(folder);
    }
    return folder + moduleName + u"_" + LogFileDate(Platform().clock->Now()) + u".log";
  }

  static void WriteLines(const WideString& file, const std::vector<WideString>& lines) {
    std::string bytes;
    for (const WideString& line : lines) bytes += WideToUtf8(line) + "\r\n";
    const PortStatus written = Platform().logFiles->Append(file, bytes, true);
    if (!written) throw Exception(written.error());
  }

  std::mutex lock_;
  std::atomic<std::uint8_t> mode_{kLogModeOff};
  bool started_ = false;  // guarded by lock_
};

}  // namespace

WideString FormatAppLogLine(const WideString& source, const WideString& text, std::uint8_t level) {
  WideString line = LogLineTimeStamp(Platform().clock->Now());
  if (const char16_t* name = LevelName(level)) line += WideString(u"\t") + name;
  line += u"\t" + Trimmed(source);
  if (!text.empty()) line += u": \t" + Trimmed(text);
  return line;
}

void AppLog(const WideString& source, const WideString& text, std::uint8_t level) {
  ApplicationLog::Instance().Write(source, text, level);
}

void SetLogMode(std::uint8_t mode) {
  ApplicationLog::Instance().SetMode(mode);
}

std::uint8_t LogMode() {
  return ApplicationLog::Instance().Mode();
}

void AppLogModuleUnload() {
  ApplicationLog::Instance().Unload();
}

}  // namespace equ
