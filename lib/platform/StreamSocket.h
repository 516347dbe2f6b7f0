#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/PortResult.h"

namespace equ {

// An IPv4 address in host byte order (127.0.0.1 is 0x7F000001) and a TCP port.
struct Ipv4Endpoint {
  std::uint32_t address = 0;
  std::uint16_t port = 0;
};

// An IPv4 TCP stream socket; closed when the object goes. Nothing throws: each call answers
// the platform's text of a failure.
class StreamSocket {
 public:
  virtual ~StreamSocket() = default;
  // Connects without blocking for longer than timeoutMs; a refusal, a failure and a time-out
  // all fail. The socket blocks again afterwards.
  virtual PortStatus Connect(const Ipv4Endpoint& endpoint, int timeoutMs) = 0;
  // A receive that waits longer than this fails.
  virtual PortStatus SetReceiveTimeout(int timeoutMs) = 0;
  // Sends all the bytes.
  virtual PortStatus Send(std::string_view bytes) = 0;
  // One receive of up to maxBytes; an empty answer means the peer closed the connection.
  virtual PortResult<std::string> Receive(std::size_t maxBytes) = 0;
  // Ends the connection in both directions (the socket stays until the object goes).
  virtual void Shutdown() = 0;
};

class StreamSockets {
 public:
  using SocketResult = PortResult<std::unique_ptr<StreamSocket>>;
  virtual ~StreamSockets() = default;
  // Fails when the platform's socket library could not be started.
  virtual PortStatus LibraryStarted() { return {}; }
  virtual SocketResult Create() = 0;
};

}  // namespace equ
