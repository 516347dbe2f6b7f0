#include "PosixStreamSocket.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace equ::posix {

namespace {

PortError LastError() {
  return PortFailure(Utf8ToWide(std::strerror(errno)));
}

bool SetBlocking(int fd, bool blocking) {
  const int flags = fcntl(fd, F_GETFL, 0);
  if (flags < 0) return false;
  return fcntl(fd, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK) == 0;
}

// Waits for a pending connect; its outcome is the socket's error once it is writable.
PortStatus AwaitConnect(int fd, int timeoutMs) {
  pollfd watch{fd, POLLOUT, 0};
  int ready = 0;
  do {
    ready = poll(&watch, 1, timeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (ready < 0) return LastError();
  if (ready == 0) return PortFailure(u"Превышено время ожидания подключения");
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return LastError();
  if (error != 0) return PortFailure(Utf8ToWide(std::strerror(error)));
  return {};
}

}  // namespace

PosixStreamSocket::~PosixStreamSocket() {
  close(fd_);
}

PortStatus PosixStreamSocket::Connect(const Ipv4Endpoint& endpoint, int timeoutMs) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(endpoint.port);
  address.sin_addr.s_addr = htonl(endpoint.address);
  if (!SetBlocking(fd_, false)) return LastError();
  if (connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    if (errno != EINPROGRESS) return LastError();
    if (PortStatus pending = AwaitConnect(fd_, timeoutMs); !pending) return pending;
  }
  if (!SetBlocking(fd_, true)) return LastError();
  return {};
}

PortStatus PosixStreamSocket::SetReceiveTimeout(int timeoutMs) {
  timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  if (setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) != 0) return LastError();
  return {};
}

PortStatus PosixStreamSocket::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return LastError();
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return {};
}

PortResult<std::string> PosixStreamSocket::Receive(std::size_t maxBytes) {
  std::string bytes(maxBytes, '\0');
  ssize_t received = 0;
  do {
    received = recv(fd_, bytes.data(), bytes.size(), 0);
  } while (received < 0 && errno == EINTR);
  if (received < 0) return LastError();
  bytes.resize(static_cast<std::size_t>(received));
  return bytes;
}

void PosixStreamSocket::Shutdown() {
  shutdown(fd_, SHUT_RDWR);
}

StreamSockets::SocketResult PosixStreamSockets::Create() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) return LastError();
  return std::make_unique<PosixStreamSocket>(fd);
}

}  // namespace equ::posix
