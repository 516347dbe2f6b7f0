#pragma once

#include "platform/StreamSocket.h"

namespace equ::posix {

// A BSD socket; the descriptor is closed by the destructor.
class PosixStreamSocket : public StreamSocket {
 public:
  explicit PosixStreamSocket(int descriptor) : fd_(descriptor) {}
  ~PosixStreamSocket() override;
  PosixStreamSocket(const PosixStreamSocket&) = delete;
  PosixStreamSocket& operator=(const PosixStreamSocket&) = delete;

  PortStatus Connect(const Ipv4Endpoint& endpoint, int timeoutMs) override;
  PortStatus SetReceiveTimeout(int timeoutMs) override;
  PortStatus Send(std::string_view bytes) override;
  PortResult<std::string> Receive(std::size_t maxBytes) override;
  void Shutdown() override;

 private:
  int fd_;
};

class PosixStreamSockets : public StreamSockets {
 public:
  SocketResult Create() override;
};

}  // namespace equ::posix
