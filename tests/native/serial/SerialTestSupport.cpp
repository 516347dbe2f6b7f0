#include "SerialTestSupport.h"

#include "platform/PlatformPorts.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <termios.h>
#include <unistd.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <thread>

extern char** environ;

namespace equ::testing {

namespace {

struct SpeedRow {
  std::uint32_t bitsPerSecond;
  speed_t speed;
};

constexpr SpeedRow kSpeeds[] = {{1200, B1200},   {2400, B2400},    {4800, B4800},
                                {9600, B9600},   {19200, B19200},  {38400, B38400},
                                {57600, B57600}, {115200, B115200}};

std::string SocatPath() {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    const std::size_t end = std::min(dirs.find(':', start), dirs.size());
    const std::string candidate = dirs.substr(start, end - start) + "/socat";
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return {};
}

}  // namespace

bool PtyPair::SocatAvailable() {
  return !SocatPath().empty();
}

namespace {

std::string NewPairDirectory() {
  std::random_device random;
  return (std::filesystem::temp_directory_path() /
          ("equ-serial-" + std::to_string(::getpid()) + "-" + std::to_string(random())))
      .string();
}

}  // namespace

PtyPair::PtyPair(int portNumber) : PtyPair(portNumber, NewPairDirectory()) {}

PtyPair::PtyPair(int portNumber, std::string directory)
    : portNumber_(portNumber), directory_(std::move(directory)) {
  std::filesystem::create_directories(directory_);
  const std::string socat = SocatPath();
  if (socat.empty()) return;
  const std::string device = "pty,raw,echo=0,link=" + DevicePath();
  const std::string peer = "pty,raw,echo=0,link=" + directory_ + "/peer";
  std::vector<std::string> args = {socat, device, peer};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  if (::posix_spawn(&socat_, socat.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
    socat_ = -1;
    return;
  }
  const std::string peerPath = directory_ + "/peer";
  for (int i = 0; i < 300; ++i) {
    if (std::filesystem::exists(DevicePath()) && std::filesystem::exists(peerPath)) {
      peerFd_ = ::open(peerPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
      if (peerFd_ >= 0) break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

PtyPair::~PtyPair() {
  if (peerFd_ >= 0) ::close(peerFd_);
  if (socat_ > 0) {
    ::kill(socat_, SIGTERM);
    int status = 0;
    ::waitpid(socat_, &status, 0);
  }
  std::error_code ignored;
  std::filesystem::remove_all(directory_, ignored);
}

std::string PtyPair::DevicePath() const {
  return directory_ + "/COM" + std::to_string(portNumber_);
}

void PtyPair::Write(std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(peerFd_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
      return;
    } else {
      pollfd out{peerFd_, POLLOUT, 0};
      ::poll(&out, 1, 100);
    }
  }
}

std::string PtyPair::ReadPeer(std::size_t count, int timeoutMs) {
  std::string got;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
    pollfd in{peerFd_, POLLIN, 0};
    if (::poll(&in, 1, 10) > 0) {
      char buffer[512];
      const ssize_t n = ::read(peerFd_, buffer, sizeof buffer);
      if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
    }
  }
  return got;
}

std::uint32_t PtyPair::DeviceSpeed() const {
  const int fd = ::open(DevicePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return 0;
  termios tio{};
  const bool ok = ::tcgetattr(fd, &tio) == 0;
  ::close(fd);
  if (!ok) return 0;
  for (const SpeedRow& row : kSpeeds) {
    if (row.speed == ::cfgetospeed(&tio)) return row.bitsPerSecond;
  }
  return 0;
}

void PtyPair::SetDeviceSpeed(std::uint32_t bitsPerSecond) {
  const int fd = ::open(DevicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  termios tio{};
  if (::tcgetattr(fd, &tio) == 0) {
    for (const SpeedRow& row : kSpeeds) {
      if (row.bitsPerSecond == bitsPerSecond) {
        ::cfsetispeed(&tio, row.speed);
        ::cfsetospeed(&tio, row.speed);
      }
    }
    ::tcsetattr(fd, TCSANOW, &tio);
  }
  ::close(fd);
}

void FakeSerialPort::Script::Add(std::string event) {
  const std::lock_guard<std::mutex> guard(lock);
  events.push_back(std::move(event));
}

std::vector<std::string> FakeSerialPort::Script::Events() {
  const std::lock_guard<std::mutex> guard(lock);
  return events;
}

// Every failure of the fake reads as a device that is not there.
PortStatus FakeSerialPort::Status(bool ok) {
  if (ok) return {};
  return PortFailure(u"Устройство не найдено.");
}

PortStatus FakeSerialPort::Open(int, bool) {
  const std::lock_guard<std::mutex> guard(script_->lock);
  ++script_->opens;
  if (script_->openFails) return Status(false);
  script_->isOpen = true;
  return {};
}

bool FakeSerialPort::IsOpen() const {
  const std::lock_guard<std::mutex> guard(script_->lock);
  return script_->isOpen;
}

void FakeSerialPort::Close() {
  const std::lock_guard<std::mutex> guard(script_->lock);
  script_->isOpen = false;
}

PortStatus FakeSerialPort::Purge(std::uint32_t) {
  const std::lock_guard<std::mutex> guard(script_->lock);
  ++script_->purges;
  return Status(script_->isOpen);
}

PortStatus FakeSerialPort::GetLineState(SerialLineState& state) {
  const std::lock_guard<std::mutex> guard(script_->lock);
  state = script_->state;
  return Status(script_->isOpen);
}

PortStatus FakeSerialPort::SetLineState(const SerialLineState& state) {
  const std::lock_guard<std::mutex> guard(script_->lock);
  script_->state = state;
  return Status(script_->isOpen);
}

PortStatus FakeSerialPort::SetTimeouts(const SerialTimeouts& timeouts) {
  const std::lock_guard<std::mutex> guard(script_->lock);
  script_->timeouts = timeouts;
  return Status(script_->isOpen);
}

PortStatus FakeSerialPort::EscapeFunction(std::uint32_t function) {
  const std::lock_guard<std::mutex> guard(script_->lock);
  script_->escapes.push_back(function);
  if (function == kSerialSetDtr || function == kSerialClearDtr) {
    script_->events.push_back(function == kSerialSetDtr ? "dtr:1" : "dtr:0");
  }
  return Status(script_->isOpen);
}

PortStatus FakeSerialPort::InputQueueCount(std::uint32_t& count) {
  const std::lock_guard<std::mutex> guard(script_->lock);
  count = script_->reads.empty() ? 0 : static_cast<std::uint32_t>(script_->reads.front().size());
  return Status(script_->isOpen);
}

PortStatus FakeSerialPort::Read(void* buffer, std::uint32_t size, std::uint32_t& done, bool) {
  const std::lock_guard<std::mutex> guard(script_->lock);
  done = 0;
  if (!script_->isOpen) return Status(false);
  if (script_->reads.empty()) return {};
  std::string& chunk = script_->reads.front();
  done = std::min<std::uint32_t>(size, static_cast<std::uint32_t>(chunk.size()));
  std::memcpy(buffer, chunk.data(), done);
  script_->events.push_back("read:" + chunk.substr(0, done));
  chunk.erase(0, done);
  if (chunk.empty()) script_->reads.pop_front();
  return {};
}

PortStatus FakeSerialPort::Write(const void* buffer, std::uint32_t size, std::uint32_t& done,
                                 bool) {
  const std::lock_guard<std::mutex> guard(script_->lock);
  done = 0;
  if (!script_->isOpen) return Status(false);
  script_->written.append(static_cast<const char*>(buffer), size);
  done = size;
  return {};
}

PortStatus MemoryLogFiles::Append(const WideString&, std::string_view bytes, bool) const {
  const std::lock_guard<std::mutex> guard(lock_);
  text_ += bytes;
  return {};
}

TSerialChannelPorts ChannelPorts(std::shared_ptr<MessageWindows> windows,
                                 FunctionSerialPorts::Make make) {
  return TSerialChannelPorts{std::move(windows),
                             std::make_shared<FunctionSerialPorts>(std::move(make)),
                             Platform().codePage};
}

std::string MemoryLogFiles::Text() const {
  const std::lock_guard<std::mutex> guard(lock_);
  return text_;
}

}  // namespace equ::testing
