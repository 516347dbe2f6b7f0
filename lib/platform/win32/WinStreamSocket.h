#pragma once

#include <winsock2.h>

#include "platform/StreamSocket.h"

namespace equ::win32 {

// Closes a socket: closesocket.
class SocketHandle {
 public:
  explicit SocketHandle(SOCKET socket) : socket_(socket) {}
  ~SocketHandle() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
  }
  SocketHandle(const SocketHandle&) = delete;
  SocketHandle& operator=(const SocketHandle&) = delete;
  SOCKET get() const { return socket_; }

 private:
  SOCKET socket_;
};

class WinStreamSocket : public StreamSocket {
 public:
  explicit WinStreamSocket(SOCKET socket) : socket_(socket) {}

  PortStatus Connect(const Ipv4Endpoint& endpoint, int timeoutMs) override;
  PortStatus SetReceiveTimeout(int timeoutMs) override;
  PortStatus Send(std::string_view bytes) override;
  PortResult<std::string> Receive(std::size_t maxBytes) override;
  void Shutdown() override;

 private:
  SocketHandle socket_;
};

// Starts Windows Sockets 1.1 for the module on first use and cleans it up when the module
// unloads.
class WinStreamSockets : public StreamSockets {
 public:
  PortStatus LibraryStarted() override;
  SocketResult Create() override;
};

}  // namespace equ::win32
