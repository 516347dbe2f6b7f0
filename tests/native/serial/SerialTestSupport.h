#pragma once

#include <sys/types.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Folders.h"
#include "platform/LogFiles.h"
#include "platform/SerialPort.h"
#include "scanner/serial/SerialChannelPorts.h"

namespace equ::testing {

// A pty pair made by socat: one end linked as <directory>/COM<n> (the device a
// PosixSerialPort with that directory opens as COM port n), the other as <directory>/peer,
// which the test writes to and reads from. The socat process lives as long as the object.
class PtyPair {
 public:
  static bool SocatAvailable();
  explicit PtyPair(int portNumber);
  // The pair made in a given directory: the same device path as an earlier pair that has gone
  // (a scanner plugged in again).
  PtyPair(int portNumber, std::string directory);
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool Ready() const { return peerFd_ >= 0; }
  const std::string& Directory() const { return directory_; }
  std::string DevicePath() const;
  int PortNumber() const { return portNumber_; }
  // Writes to the peer end; the bytes arrive at the device end.
  void Write(std::string_view bytes);
  // What the device end wrote, waiting up to timeoutMs for at least `count` bytes.
  std::string ReadPeer(std::size_t count, int timeoutMs);
  // The output speed of the device end's termios, in bits per second (0 when unknown).
  std::uint32_t DeviceSpeed() const;
  void SetDeviceSpeed(std::uint32_t bitsPerSecond);

 private:
  int portNumber_;
  std::string directory_;
  pid_t socat_ = -1;
  int peerFd_ = -1;
};

// A serial port that plays scripted chunks: each Read takes (part of) the first chunk, an empty
// chunk reads as nothing. Records what is written and every escape function. Thread-safe.
class FakeSerialPort : public SerialPort {
 public:
  struct Script {
    std::mutex lock;
    std::deque<std::string> reads;
    std::string written;
    std::vector<std::uint32_t> escapes;
    std::vector<std::string> events;  // "read:<bytes>", "dtr:0", "dtr:1", plus what tests add
    SerialLineState state;
    SerialTimeouts timeouts;
    std::uint32_t purges = 0;
    int opens = 0;
    bool openFails = false;
    bool isOpen = false;
    void Add(std::string event);
    std::vector<std::string> Events();
  };

  explicit FakeSerialPort(std::shared_ptr<Script> script) : script_(std::move(script)) {}

  PortStatus Open(int portNumber, bool overlapped) override;
  bool IsOpen() const override;
  void Close() override;
  PortStatus SetQueueSizes(std::uint32_t, std::uint32_t) override { return {}; }
  PortStatus Purge(std::uint32_t flags) override;
  PortStatus GetLineState(SerialLineState& state) override;
  PortStatus SetLineState(const SerialLineState& state) override;
  PortStatus SetTimeouts(const SerialTimeouts& timeouts) override;
  PortStatus EscapeFunction(std::uint32_t function) override;
  PortStatus SetEventMask(std::uint32_t) override { return {}; }
  PortStatus InputQueueCount(std::uint32_t& count) override;
  PortStatus Read(void* buffer, std::uint32_t size, std::uint32_t& done, bool overlapped) override;
  PortStatus Write(const void* buffer, std::uint32_t size, std::uint32_t& done,
                   bool overlapped) override;
  PortStatus OpenOverlapped() override { return {}; }
  void CloseOverlapped() override {}
  PortStatus WaitEvent(std::uint32_t) override { return {}; }
  void CancelEventWait() override {}

 private:
  static PortStatus Status(bool ok);

  std::shared_ptr<Script> script_;
};

// Log files kept in memory: every line appended, by file.
class MemoryLogFiles : public LogFiles {
 public:
  PortStatus Append(const WideString& path, std::string_view bytes,
                    bool denyOtherWriters) const override;
  std::string Text() const;

 private:
  mutable std::mutex lock_;
  mutable std::string text_;
};

// An application-data folder that always exists.
class MemoryFolders : public Folders {
 public:
  PortResult<WideString> SpecialFolder(int) const override { return u"/tmp/equ-serial-test"; }
  bool DirectoryExists(const WideString&) const override { return {}; }
  bool ForceDirectories(const WideString&) const override { return {}; }
  PortStatus GrantEveryoneAccess(const WideString&) const override { return {}; }
  char16_t PathDelimiter() const override { return u'/'; }
};

// Serial ports made by a function: a fake on a script, or the device of a pty pair.
class FunctionSerialPorts : public SerialPorts {
 public:
  using Make = std::function<std::unique_ptr<SerialPort>()>;
  explicit FunctionSerialPorts(Make make) : make_(std::move(make)) {}
  std::unique_ptr<SerialPort> Create() override { return make_(); }

 private:
  Make make_;
};

// The RS232 channel's ports: these windows, ports made by `make`, the process's code page.
TSerialChannelPorts ChannelPorts(std::shared_ptr<MessageWindows> windows,
                                 FunctionSerialPorts::Make make);

}  // namespace equ::testing
