#include "WinStreamSocket.h"

#include <ws2tcpip.h>

#include <string>

#include "WinText.h"

namespace equ::win32 {

namespace {

constexpr char16_t kStartupFailed[] = u"Ошибка инициализации библиотеки WinSock";

PortError LastSocketError() {
  return PortFailure(SystemErrorText(static_cast<DWORD>(WSAGetLastError())));
}

bool SetBlocking(SOCKET socket, bool blocking) {
  u_long nonBlocking = blocking ? 0 : 1;
  return ioctlsocket(socket, FIONBIO, &nonBlocking) == 0;
}

// The module's Windows Sockets session.
class WinsockSession {
 public:
  WinsockSession() {
    WSADATA data{};
    started_ = WSAStartup(MAKEWORD(1, 1), &data) == 0;
  }
  ~WinsockSession() {
    // Nobody is left to hear about a failed cleanup while the module unloads.
    if (started_) WSACleanup();
  }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;
  bool Started() const { return started_; }

 private:
  bool started_ = false;
};

bool WinsockStarted() {
  static WinsockSession session;
  return session.Started();
}

// A pending connect is done when the socket turns writable; a failed one marks it in error.
PortStatus AwaitConnect(SOCKET socket, int timeoutMs) {
  fd_set writable;
  fd_set failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(socket, &writable);
  FD_SET(socket, &failed);
  timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  const int ready = select(0, nullptr, &writable, &failed, &timeout);
  if (ready == SOCKET_ERROR) return LastSocketError();
  if (ready == 0) return PortFailure(SystemErrorText(WSAETIMEDOUT));
  if (FD_ISSET(socket, &failed) || !FD_ISSET(socket, &writable)) {
    int error = 0;
    int length = sizeof error;
    getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
    return PortFailure(SystemErrorText(static_cast<DWORD>(error != 0 ? error : WSAECONNREFUSED)));
  }
  return {};
}

}  // namespace

PortStatus WinStreamSocket::Connect(const Ipv4Endpoint& endpoint, int timeoutMs) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(endpoint.port);
  address.sin_addr.s_addr = htonl(endpoint.address);
  if (!SetBlocking(socket_.get(), false)) return LastSocketError();
  if (connect(socket_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    if (WSAGetLastError() != WSAEWOULDBLOCK) return LastSocketError();
    if (PortStatus pending = AwaitConnect(socket_.get(), timeoutMs); !pending) return pending;
  }
  if (!SetBlocking(socket_.get(), true)) return LastSocketError();
  return {};
}

PortStatus WinStreamSocket::SetReceiveTimeout(int timeoutMs) {
  const DWORD timeout = static_cast<DWORD>(timeoutMs);
  if (setsockopt(socket_.get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
                 sizeof timeout) != 0) {
    return LastSocketError();
  }
  return {};
}

PortStatus WinStreamSocket::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    const int sent = send(socket_.get(), bytes.data(), static_cast<int>(bytes.size()), 0);
    if (sent == SOCKET_ERROR || sent == 0) return LastSocketError();
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return {};
}

PortResult<std::string> WinStreamSocket::Receive(std::size_t maxBytes) {
  std::string bytes(maxBytes, '\0');
  const int received = recv(socket_.get(), bytes.data(), static_cast<int>(bytes.size()), 0);
  if (received == SOCKET_ERROR) return LastSocketError();
  bytes.resize(static_cast<std::size_t>(received));
  return bytes;
}

void WinStreamSocket::Shutdown() {
  shutdown(socket_.get(), SD_BOTH);
}

PortStatus WinStreamSockets::LibraryStarted() {
  if (!WinsockStarted()) return PortFailure(kStartupFailed);
  return {};
}

StreamSockets::SocketResult WinStreamSockets::Create() {
  if (!WinsockStarted()) return PortFailure(kStartupFailed);
  const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (socket == INVALID_SOCKET) return LastSocketError();
  return std::make_unique<WinStreamSocket>(socket);
}

}  // namespace equ::win32
