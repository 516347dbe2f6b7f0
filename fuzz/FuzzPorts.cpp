#include "FuzzPorts.h"

#include <unistd.h>

#include <filesystem>

#include "FakeMailboxPorts.h"
#include "FakePorts.h"
#include "equipment/common/CallTrace.h"
#include "platform/posix/PosixNamedMutexes.h"
#include "platform/posix/PosixUserLocale.h"
#include "serial/SerialTestSupport.h"

namespace equ::fuzz {

PortStatus CountingLogFiles::Append(const WideString&, std::string_view bytes, bool) const {
  bytes_ += bytes.size();
  for (std::size_t at = bytes.find("ERROR"); at != std::string_view::npos;
       at = bytes.find("ERROR", at + 1)) {
    ++errorLines_;
  }
  return {};
}

namespace {

std::string MutexFolderOfThisProcess() {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("equ-fuzz-mutex-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  return folder.string();
}

}  // namespace

FuzzPlatform::FuzzPlatform(bool russianLocale)
    : logs_(std::make_shared<CountingLogFiles>()), mutexFolder_(MutexFolderOfThisProcess()) {
  scope_ = std::make_unique<ScopedPlatformPorts>(PlatformPorts{
      .module = std::make_shared<testing::FakeModuleInfo>(),
      .folders = std::make_shared<testing::MemoryFolders>(),
      .guids = std::make_shared<testing::SequentialGuidSource>(),
      .logFiles = logs_,
      .mutexes = std::make_shared<posix::PosixNamedMutexes>(mutexFolder_),
      .sharedMemory = std::make_shared<testing::InProcessSharedMemory>(),
      .callTrace = std::make_shared<DailyTraceFile>(),
  });
  UseLocale(russianLocale);
}

FuzzPlatform::~FuzzPlatform() {
  localeScope_.reset();
  scope_.reset();
  std::error_code ignored;
  std::filesystem::remove_all(mutexFolder_, ignored);
}

void FuzzPlatform::UseLocale(bool russian) {
  localeScope_.reset();
  localeScope_ = std::make_unique<ScopedPlatformPorts>(
      PlatformPorts{.locale = russian ? std::make_shared<posix::PosixUserLocale>(u',', u'\u00A0')
                                      : std::make_shared<posix::PosixUserLocale>(u'.', u',')});
}

}  // namespace equ::fuzz
