#include "PosixSerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace equ::posix {

namespace {

using SteadyClock = std::chrono::steady_clock;

struct SpeedRow {
  std::uint32_t bitsPerSecond;
  speed_t speed;
};

constexpr SpeedRow kSpeeds[] = {
    {110, B110},     {300, B300},     {600, B600},       {1200, B1200},
    {2400, B2400},   {4800, B4800},   {9600, B9600},     {19200, B19200},
    {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
};

bool SpeedOf(std::uint32_t bitsPerSecond, speed_t& speed) {
  for (const SpeedRow& row : kSpeeds) {
    if (row.bitsPerSecond == bitsPerSecond) {
      speed = row.speed;
      return true;
    }
  }
  return false;
}

std::uint32_t BitsPerSecondOf(speed_t speed) {
  for (const SpeedRow& row : kSpeeds) {
    if (row.speed == speed) return row.bitsPerSecond;
  }
  return 0;
}

tcflag_t CharacterSize(std::uint8_t byteSize) {
  switch (byteSize) {
    case 5:
      return CS5;
    case 6:
      return CS6;
    case 7:
      return CS7;
    default:
      return CS8;
  }
}

std::uint8_t ByteSizeOf(tcflag_t cflag) {
  switch (cflag & CSIZE) {
    case CS5:
      return 5;
    case CS6:
      return 6;
    case CS7:
      return 7;
    default:
      return 8;
  }
}

tcflag_t ParityFlags(std::uint8_t parity) {
  switch (parity) {
    case 1:
      return PARENB | PARODD;
    case 2:
      return PARENB;
    case 3:
      return PARENB | CMSPAR | PARODD;
    case 4:
      return PARENB | CMSPAR;
    default:
      return 0;
  }
}

std::uint8_t ParityOf(tcflag_t cflag) {
  if ((cflag & PARENB) == 0) return 0;
  const bool odd = (cflag & PARODD) != 0;
  if ((cflag & CMSPAR) != 0) return odd ? 3 : 4;
  return odd ? 1 : 2;
}

int RemainingMs(SteadyClock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

}  // namespace

PosixSerialPort::PosixSerialPort() : PosixSerialPort(DefaultDeviceDirectory()) {}

PosixSerialPort::PosixSerialPort(std::string deviceDirectory)
    : directory_(std::move(deviceDirectory)) {}

PosixSerialPort::~PosixSerialPort() {
  Close();
}

std::string PosixSerialPort::DefaultDeviceDirectory() {
  const char* directory = std::getenv("EQU_SERIAL_DEVICE_DIR");
  return directory ? directory : "";
}

std::string PosixSerialPort::DevicePath(const std::string& deviceDirectory, int portNumber) {
  if (deviceDirectory.empty()) return "/dev/ttyS" + std::to_string(portNumber - 1);
  return deviceDirectory + "/COM" + std::to_string(portNumber);
}

PortError PosixSerialPort::Fail(int error) {
  char buffer[256] = {};
  return PortFailure(Utf8ToWide(::strerror_r(error, buffer, sizeof buffer)));
}

PortError PosixSerialPort::FailIfClosed() {
  return Fail(EBADF);
}

PortStatus PosixSerialPort::Open(int portNumber, bool /*overlapped*/) {
  Close();
  const std::string path = DevicePath(directory_, portNumber);
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Fail(errno);
  // Not shared: a second open of the device fails while this one holds it.
  if (::ioctl(fd, TIOCEXCL) != 0 || ::isatty(fd) == 0) {
    const int error = errno;
    ::close(fd);
    return Fail(error);
  }
  fd_ = fd;
  return {};
}

void PosixSerialPort::Close() {
  CloseOverlapped();
  if (fd_ >= 0) {
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
  }
}

PortStatus PosixSerialPort::SetQueueSizes(std::uint32_t, std::uint32_t) {
  // The kernel's tty buffers have a fixed size; there is nothing to set.
  if (!IsOpen()) return FailIfClosed();
  return {};
}

PortStatus PosixSerialPort::Purge(std::uint32_t flags) {
  if (!IsOpen()) return FailIfClosed();
  // Every read and write here has finished when its call returns, so the abort flags have
  // nothing to cancel; the clear flags flush the kernel's queues.
  const bool input = (flags & kSerialPurgeRxClear) != 0;
  const bool output = (flags & kSerialPurgeTxClear) != 0;
  if (!input && !output) return {};
  const int queue = input && output ? TCIOFLUSH : (input ? TCIFLUSH : TCOFLUSH);
  return ::tcflush(fd_, queue) == 0 ? PortStatus() : Fail(errno);
}

PortStatus PosixSerialPort::GetLineState(SerialLineState& state) {
  if (!IsOpen()) return FailIfClosed();
  termios tio{};
  if (::tcgetattr(fd_, &tio) != 0) return Fail(errno);
  state = state_;
  state.baudRate = BitsPerSecondOf(::cfgetospeed(&tio));
  state.byteSize = ByteSizeOf(tio.c_cflag);
  state.parity = ParityOf(tio.c_cflag);
  state.stopBits = (tio.c_cflag & CSTOPB) != 0 ? 2 : 0;
  return {};
}

PortStatus PosixSerialPort::SetLineState(const SerialLineState& state) {
  if (!IsOpen()) return FailIfClosed();
  speed_t speed = B0;
  if (!SpeedOf(state.baudRate, speed)) return Fail(EINVAL);
  termios tio{};
  if (::tcgetattr(fd_, &tio) != 0) return Fail(errno);
  // Binary mode: bytes pass unchanged, nothing is echoed or interpreted.
  tio.c_iflag &=
      ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
  tio.c_oflag &= ~OPOST;
  tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  tio.c_cflag |= CLOCAL | CREAD | CharacterSize(state.byteSize) | ParityFlags(state.parity);
  if (state.stopBits != 0) tio.c_cflag |= CSTOPB;
  if ((state.flags & kSerialFlagParity) != 0 && state.parity != 0) tio.c_iflag |= INPCK;
  const bool rtsHandshake = (state.flags & kSerialFlagRtsMask) == kSerialFlagRtsHandshake;
  if ((state.flags & kSerialFlagOutCtsFlow) != 0 || rtsHandshake) tio.c_cflag |= CRTSCTS;
  if ((state.flags & kSerialFlagXonXoffOut) != 0) tio.c_iflag |= IXON;
  if ((state.flags & kSerialFlagXonXoffIn) != 0) tio.c_iflag |= IXOFF;
  tio.c_cc[VSTART] = static_cast<cc_t>(state.xonChar);
  tio.c_cc[VSTOP] = static_cast<cc_t>(state.xoffChar);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0) return Fail(errno);
  if (::tcsetattr(fd_, TCSANOW, &tio) != 0) return Fail(errno);
  state_ = state;
  return {};
}

PortStatus PosixSerialPort::SetTimeouts(const SerialTimeouts& timeouts) {
  if (!IsOpen()) return FailIfClosed();
  timeouts_ = timeouts;
  return {};
}

PortStatus PosixSerialPort::EscapeFunction(std::uint32_t function) {
  if (!IsOpen()) return FailIfClosed();
  int line = 0;
  unsigned long request = 0;
  switch (function) {
    case kSerialSetDtr:
    case kSerialClearDtr:
      line = TIOCM_DTR;
      request = function == kSerialSetDtr ? TIOCMBIS : TIOCMBIC;
      break;
    case kSerialSetRts:
    case kSerialClearRts:
      line = TIOCM_RTS;
      request = function == kSerialSetRts ? TIOCMBIS : TIOCMBIC;
      break;
    default:
      return Fail(EINVAL);
  }
  return ::ioctl(fd_, request, &line) == 0 ? PortStatus() : Fail(errno);
}

PortStatus PosixSerialPort::SetEventMask(std::uint32_t mask) {
  if (!IsOpen()) return FailIfClosed();
  eventMask_ = mask;
  if (mask == 0) CancelEventWait();
  return {};
}

PortStatus PosixSerialPort::InputQueueCount(std::uint32_t& count) {
  count = 0;
  if (!IsOpen()) return FailIfClosed();
  int waiting = 0;
  if (::ioctl(fd_, FIONREAD, &waiting) != 0) return Fail(errno);
  count = static_cast<std::uint32_t>(waiting);
  return {};
}

PortStatus PosixSerialPort::WaitReadable(int timeoutMs, bool& readable) {
  readable = false;
  pollfd device{fd_, POLLIN, 0};
  const int n = ::poll(&device, 1, timeoutMs);
  if (n < 0) return errno == EINTR ? PortStatus() : Fail(errno);
  readable = n > 0;
  return {};
}

bool PosixSerialPort::HungUp() const {
  pollfd device{fd_, POLLIN, 0};
  return ::poll(&device, 1, 0) > 0 && (device.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

PortStatus PosixSerialPort::Read(void* buffer, std::uint32_t size, std::uint32_t& done, bool) {
  done = 0;
  if (!IsOpen()) return FailIfClosed();
  auto* bytes = static_cast<unsigned char*>(buffer);
  // Takes what the device holds now, without waiting.
  auto take = [&]() -> PortStatus {
    while (done < size) {
      const ssize_t n = ::read(fd_, bytes + done, size - done);
      if (n > 0) {
        done += static_cast<std::uint32_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN) return Fail(errno);
      // A terminal reads as empty both when nothing waits and when its other side has gone;
      // a device that has gone fails, as a removed COM device does on Windows.
      if (n == 0 && HungUp()) return Fail(EIO);
      return {};
    }
    return {};
  };
  if (size == 0) return {};
  if (PortStatus taken = take(); !taken) return taken;
  const SerialTimeouts& t = timeouts_;
  const bool intervalOff = t.readInterval == kSerialTimeoutAllOnes;
  if (intervalOff && t.readTotalMultiplier == 0 && t.readTotalConstant == 0) return {};
  bool readable = false;
  if (intervalOff && t.readTotalMultiplier == kSerialTimeoutAllOnes && t.readTotalConstant != 0 &&
      t.readTotalConstant != kSerialTimeoutAllOnes) {
    if (done > 0) return {};
    if (PortStatus waited = WaitReadable(static_cast<int>(t.readTotalConstant), readable);
        !waited) {
      return waited;
    }
    return readable ? take() : PortStatus();
  }
  const bool totalLimited = t.readTotalMultiplier != 0 || t.readTotalConstant != 0;
  const auto total = std::chrono::milliseconds(
      static_cast<std::uint64_t>(t.readTotalMultiplier) * size + t.readTotalConstant);
  const auto deadline = SteadyClock::now() + total;
  const bool intervalLimited = t.readInterval != 0 && !intervalOff;
  while (done < size) {
    int wait = totalLimited ? RemainingMs(deadline) : -1;
    const bool byInterval = intervalLimited && done > 0 &&
                            (wait < 0 || static_cast<std::uint32_t>(wait) > t.readInterval);
    if (byInterval) wait = static_cast<int>(t.readInterval);
    if (totalLimited && wait == 0 && !byInterval) return {};
    if (PortStatus waited = WaitReadable(wait, readable); !waited) return waited;
    if (!readable && (byInterval || totalLimited)) return {};
    if (PortStatus taken = take(); !taken) return taken;
  }
  return {};
}

PortStatus PosixSerialPort::Write(const void* buffer, std::uint32_t size, std::uint32_t& done,
                                  bool) {
  done = 0;
  if (!IsOpen()) return FailIfClosed();
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  const bool limited = timeouts_.writeTotalMultiplier != 0 || timeouts_.writeTotalConstant != 0;
  const auto deadline =
      SteadyClock::now() +
      std::chrono::milliseconds(static_cast<std::uint64_t>(timeouts_.writeTotalMultiplier) * size +
                                timeouts_.writeTotalConstant);
  while (done < size) {
    const ssize_t n = ::write(fd_, bytes + done, size - done);
    if (n > 0) {
      done += static_cast<std::uint32_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return Fail(errno);
    const int wait = limited ? RemainingMs(deadline) : -1;
    if (wait == 0) return {};  // the time-out ends the write with the bytes written so far
    pollfd device{fd_, POLLOUT, 0};
    if (::poll(&device, 1, wait) < 0 && errno != EINTR) return Fail(errno);
  }
  return {};
}

PortStatus PosixSerialPort::OpenOverlapped() {
  if (!IsOpen()) return FailIfClosed();
  CloseOverlapped();
  if (::pipe2(cancelPipe_, O_NONBLOCK | O_CLOEXEC) != 0) {
    cancelPipe_[0] = cancelPipe_[1] = -1;
    return Fail(errno);
  }
  return {};
}

void PosixSerialPort::CloseOverlapped() {
  for (int& end : cancelPipe_) {
    if (end >= 0) ::close(end);
    end = -1;
  }
}

PortStatus PosixSerialPort::WaitEvent(std::uint32_t timeoutMs) {
  if (!IsOpen()) return FailIfClosed();
  if (eventMask_ == 0) return Fail(EINVAL);
  pollfd fds[2] = {{fd_, POLLIN, 0}, {cancelPipe_[0], POLLIN, 0}};
  const nfds_t count = cancelPipe_[0] >= 0 ? 2 : 1;
  const int n = ::poll(fds, count, timeoutMs == 0 ? -1 : static_cast<int>(timeoutMs));
  if (n < 0) return Fail(errno);
  if (n == 0) return Fail(ETIMEDOUT);
  if (count == 2 && (fds[1].revents & POLLIN) != 0) {
    char drained[16];
    while (::read(cancelPipe_[0], drained, sizeof drained) > 0) {
    }
  }
  // A cancelled wait ends like one whose mask was changed: successfully, with no event.
  return {};
}

void PosixSerialPort::CancelEventWait() {
  eventMask_ = 0;
  if (cancelPipe_[1] >= 0) {
    const char wake = 1;
    [[maybe_unused]] const ssize_t n = ::write(cancelPipe_[1], &wake, 1);
  }
}

}  // namespace equ::posix
