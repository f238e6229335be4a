// POSIX half of the system's sockets. Failures are reported with the
// Winsock code of the same meaning.
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstring>
#include <mutex>

#include "platform_net/net_sockets.h"
#include "socket_system.h"

namespace platform_net {

using platform::Datagram;
using platform::kErrorSuccess;
using platform::SocketHandle;
using platform::Win32Error;

namespace {

int fd_of(SocketHandle handle) { return static_cast<int>(handle); }

// The Winsock code of `error` (an errno value): Winsock numbers the BSD
// codes from 10000 in BSD's order, which Linux does not keep. What has no
// counterpart is a failure of the network subsystem.
Win32Error wsa_error(int error) {
  switch (error) {
    case EINTR:
      return 10004;
    case EBADF:
      return platform::kWsaENotSock;
    case EACCES:
      return 10013;
    case EFAULT:
      return 10014;
    case EINVAL:
      return 10022;
    case EMFILE:
    case ENFILE:
      return 10024;
    case EAGAIN:
      return platform::kWsaEWouldBlock;
    case EINPROGRESS:
      return 10036;
    case ENOTSOCK:
      return platform::kWsaENotSock;
    case EMSGSIZE:
      return platform::kWsaEMsgSize;
    case EADDRINUSE:
      return 10048;
    case EADDRNOTAVAIL:
      return 10049;
    case ENETUNREACH:
      return platform::kWsaENetUnreach;
    case ECONNABORTED:
      return 10053;
    case ECONNRESET:
      return platform::kWsaEConnReset;
    case ENOBUFS:
    case ENOMEM:
      return 10055;
    case ENOTCONN:
      return 10057;
    case EPIPE:
      return 10058;  // WSAESHUTDOWN
    case ETIMEDOUT:
      return platform::kWsaETimedOut;
    case ECONNREFUSED:
      return platform::kWsaEConnRefused;
    case EHOSTUNREACH:
      return 10065;
    default:
      return platform::kWsaENetDown;
  }
}

Win32Error last_error() { return wsa_error(errno); }

bool set_blocking(int fd, bool blocking) {
  int flags = fcntl(fd, F_GETFL, 0);
  if (flags < 0) return false;
  flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
  return fcntl(fd, F_SETFL, flags) == 0;
}

// poll() on one socket: 1 ready, 0 time-out, -1 failure (errno set).
int wait_for(int fd, short events, std::uint32_t milliseconds) {
  pollfd entry{fd, events, 0};
  for (;;) {
    const int ready = poll(&entry, 1, static_cast<int>(milliseconds));
    if (ready < 0 && errno == EINTR) continue;
    if (ready > 0 && (entry.revents & POLLNVAL)) {
      errno = EBADF;
      return -1;
    }
    return ready > 0 ? 1 : ready;
  }
}

Win32Error set_option(int fd, int option, const void* value, socklen_t size) {
  return setsockopt(fd, SOL_SOCKET, option, value, size) == 0 ? kErrorSuccess : last_error();
}

}  // namespace

Win32Error NetSockets::startup() {
  static std::once_flag once;
  std::call_once(once, [] {
    // A peer that closes while we write must give an error, not end the
    // process.
    signal(SIGPIPE, SIG_IGN);
  });
  return kErrorSuccess;
}

Win32Error NetSockets::cleanup() { return kErrorSuccess; }

Win32Error NetSockets::open_udp(std::uint32_t address, std::uint16_t port, SocketHandle* socket) {
  *socket = platform::kNoSocket;
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  if (fd < 0) return last_error();
  sockaddr_in local = platform::make_socket_address(address, port);
  if (!set_blocking(fd, false) ||
      ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    const Win32Error error = last_error();
    ::close(fd);
    return error;
  }
  *socket = fd;
  return kErrorSuccess;
}

Win32Error NetSockets::local_port(SocketHandle socket, std::uint16_t* port) {
  sockaddr_in local{};
  socklen_t length = sizeof local;
  if (getsockname(fd_of(socket), reinterpret_cast<sockaddr*>(&local), &length) != 0)
    return last_error();
  *port = ntohs(local.sin_port);
  return kErrorSuccess;
}

Win32Error NetSockets::enable_broadcast(SocketHandle socket) {
  const int on = 1;
  return set_option(fd_of(socket), SO_BROADCAST, &on, sizeof on);
}

Win32Error NetSockets::send_to(SocketHandle socket, std::uint32_t address, std::uint16_t port,
                               const void* data, std::size_t size) {
  sockaddr_in destination = platform::make_socket_address(address, port);
  const ssize_t sent = ::sendto(fd_of(socket), data, size, 0,
                                reinterpret_cast<sockaddr*>(&destination), sizeof destination);
  if (sent < 0) return last_error();
  return static_cast<std::size_t>(sent) == size ? kErrorSuccess : platform::kWsaEMsgSize;
}

Win32Error NetSockets::receive_from(SocketHandle socket, void* buffer, std::size_t capacity,
                                    Datagram* datagram) {
  sockaddr_in source{};
  socklen_t length = sizeof source;
  // MSG_TRUNC makes the call return the datagram's real length, so that an
  // oversized datagram is told apart from one that just fits.
  const ssize_t received = ::recvfrom(fd_of(socket), buffer, capacity, MSG_TRUNC,
                                      reinterpret_cast<sockaddr*>(&source), &length);
  if (received < 0) return last_error();
  if (static_cast<std::size_t>(received) > capacity) return platform::kWsaEMsgSize;
  datagram->size = static_cast<std::size_t>(received);
  datagram->source = ntohl(source.sin_addr.s_addr);
  datagram->source_port = ntohs(source.sin_port);
  return kErrorSuccess;
}

Win32Error NetSockets::wait_readable(SocketHandle socket, std::uint32_t milliseconds) {
  const int ready = wait_for(fd_of(socket), POLLIN, milliseconds);
  if (ready < 0) return last_error();
  return ready > 0 ? kErrorSuccess : platform::kWsaETimedOut;
}

Win32Error NetSockets::open_tcp(SocketHandle* socket) {
  *socket = platform::kNoSocket;
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) return last_error();
  *socket = fd;
  return kErrorSuccess;
}

Win32Error NetSockets::connect(SocketHandle socket, std::uint32_t address, std::uint16_t port,
                               std::uint32_t timeout_ms) {
  const int fd = fd_of(socket);
  sockaddr_in remote = platform::make_socket_address(address, port);
  if (timeout_ms == 0) {
    return ::connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) == 0 ? kErrorSuccess
                                                                                   : last_error();
  }
  if (!set_blocking(fd, false)) return last_error();
  if (::connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0) {
    if (errno != EINPROGRESS) return last_error();
    const int ready = wait_for(fd, POLLOUT, timeout_ms);
    if (ready < 0) return last_error();
    if (ready == 0) return platform::kWsaETimedOut;
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return last_error();
    if (error != 0) return wsa_error(error);
  }
  return set_blocking(fd, true) ? kErrorSuccess : last_error();
}

Win32Error NetSockets::set_timeouts(SocketHandle socket, std::uint32_t receive_ms,
                                    std::uint32_t send_ms) {
  const timeval receive{static_cast<time_t>(receive_ms / 1000),
                        static_cast<suseconds_t>((receive_ms % 1000) * 1000)};
  const timeval send{static_cast<time_t>(send_ms / 1000),
                     static_cast<suseconds_t>((send_ms % 1000) * 1000)};
  if (const Win32Error error = set_option(fd_of(socket), SO_RCVTIMEO, &receive, sizeof receive))
    return error;
  return set_option(fd_of(socket), SO_SNDTIMEO, &send, sizeof send);
}

Win32Error NetSockets::send(SocketHandle socket, const void* data, std::size_t size,
                            std::size_t* done) {
  *done = 0;
  const ssize_t sent = ::send(fd_of(socket), data, size, MSG_NOSIGNAL);
  // A blocking socket's time-out: Winsock names it so.
  if (sent < 0) return errno == EAGAIN ? platform::kWsaETimedOut : last_error();
  *done = static_cast<std::size_t>(sent);
  return kErrorSuccess;
}

Win32Error NetSockets::receive(SocketHandle socket, void* buffer, std::size_t capacity,
                               std::size_t* done) {
  *done = 0;
  const ssize_t received = ::recv(fd_of(socket), buffer, capacity, 0);
  if (received < 0) return errno == EAGAIN ? platform::kWsaETimedOut : last_error();
  *done = static_cast<std::size_t>(received);
  return kErrorSuccess;
}

Win32Error NetSockets::close(SocketHandle socket) {
  return ::close(fd_of(socket)) == 0 ? kErrorSuccess : last_error();
}

}  // namespace platform_net
