#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/LogFiles.h"
#include "platform/PlatformPorts.h"

namespace equ::fuzz {

// Log files that keep nothing: they count the bytes and the lines of the application log's
// ERROR level, so a target can bound what a run writes without filling the disk.
class CountingLogFiles : public LogFiles {
 public:
  PortStatus Append(const WideString& path, std::string_view bytes,
                    bool denyOtherWriters) const override;
  std::size_t Bytes() const { return bytes_; }
  std::size_t ErrorLines() const { return errorLines_; }
  void Reset() {
    bytes_ = 0;
    errorLines_ = 0;
  }

 private:
  mutable std::atomic<std::size_t> bytes_{0};
  mutable std::atomic<std::size_t> errorLines_{0};
};

// The platform of a fuzz run: the POSIX adapters, except that nothing reaches the disk or the
// user's folders (log and trace files are counted, folders held in memory, named mutexes in a
// folder of this process, shared memory inside this process) and the locale is the given one.
class FuzzPlatform {
 public:
  explicit FuzzPlatform(bool russianLocale = false);
  ~FuzzPlatform();
  FuzzPlatform(const FuzzPlatform&) = delete;
  FuzzPlatform& operator=(const FuzzPlatform&) = delete;

  CountingLogFiles& Logs() { return *logs_; }
  void UseLocale(bool russian);

 private:
  std::shared_ptr<CountingLogFiles> logs_;
  std::string mutexFolder_;
  std::unique_ptr<ScopedPlatformPorts> scope_;
  std::unique_ptr<ScopedPlatformPorts> localeScope_;
};

}  // namespace equ::fuzz
