// POSIX half of the socket wrapper.
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
#include <utility>

#include "platform/socket.h"
#include "socket_system.h"

namespace platform {
namespace {

int fd_of(NativeSocket handle) { return static_cast<int>(handle); }

bool set_blocking(int fd, bool blocking) {
  int flags = fcntl(fd, F_GETFL, 0);
  if (flags < 0) return false;
  flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
  return fcntl(fd, F_SETFL, flags) == 0;
}

bool wait_for(int fd, short events, std::uint32_t milliseconds) {
  pollfd entry{fd, events, 0};
  for (;;) {
    int ready = poll(&entry, 1, static_cast<int>(milliseconds));
    if (ready < 0 && errno == EINTR) continue;
    return ready > 0;
  }
}

void close_handle(NativeSocket& handle) {
  if (handle != kNoSocket) {
    ::close(fd_of(handle));
    handle = kNoSocket;
  }
}

}  // namespace

bool InitializeSockets() {
  static std::once_flag once;
  std::call_once(once, [] {
    // A peer that closes while we write must give an error, not end the
    // process.
    signal(SIGPIPE, SIG_IGN);
  });
  return true;
}

void CleanupSockets() {}

// ---- UdpSocket ----

bool UdpSocket::Open(std::uint32_t address, std::uint16_t port) {
  Close();
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  if (fd < 0) return false;
  sockaddr_in local = make_socket_address(address, port);
  if (!set_blocking(fd, false) ||
      ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    ::close(fd);
    return false;
  }
  handle_ = fd;
  return true;
}

void UdpSocket::Close() { close_handle(handle_); }

std::optional<std::uint16_t> UdpSocket::LocalPort() const {
  if (!IsOpen()) return std::nullopt;
  sockaddr_in local{};
  socklen_t length = sizeof local;
  if (getsockname(fd_of(handle_), reinterpret_cast<sockaddr*>(&local), &length) != 0) {
    return std::nullopt;
  }
  return ntohs(local.sin_port);
}

bool UdpSocket::EnableBroadcast() {
  int on = 1;
  return IsOpen() && setsockopt(fd_of(handle_), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0;
}

bool UdpSocket::SendTo(std::uint32_t address, std::uint16_t port, const void* data,
                       std::size_t size) {
  if (!IsOpen()) return false;
  sockaddr_in destination = make_socket_address(address, port);
  ssize_t sent = ::sendto(fd_of(handle_), data, size, 0, reinterpret_cast<sockaddr*>(&destination),
                          sizeof destination);
  return sent >= 0 && static_cast<std::size_t>(sent) == size;
}

UdpSocket::ReceiveResult UdpSocket::ReceiveFrom(void* buffer, std::size_t capacity) {
  ReceiveResult result;
  if (!IsOpen()) {
    result.status = Receive::Error;
    return result;
  }
  sockaddr_in source{};
  socklen_t length = sizeof source;
  // MSG_TRUNC makes the call return the datagram's real length, so that an
  // oversized datagram is told apart from one that just fits.
  ssize_t received = ::recvfrom(fd_of(handle_), buffer, capacity, MSG_TRUNC,
                                reinterpret_cast<sockaddr*>(&source), &length);
  if (received < 0) {
    result.status = (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) ? Receive::Nothing
                                                                                : Receive::Error;
    return result;
  }
  result.source = ntohl(source.sin_addr.s_addr);
  result.source_port = ntohs(source.sin_port);
  if (static_cast<std::size_t>(received) > capacity) {
    result.status = Receive::Oversized;
    return result;
  }
  result.status = Receive::Datagram;
  result.size = static_cast<std::size_t>(received);
  return result;
}

bool UdpSocket::WaitReadable(std::uint32_t milliseconds) {
  return IsOpen() && wait_for(fd_of(handle_), POLLIN, milliseconds);
}

// ---- TcpSocket ----

bool TcpSocket::Open() {
  Close();
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) return false;
  handle_ = fd;
  return true;
}

void TcpSocket::Close() { close_handle(handle_); }

bool TcpSocket::Connect(std::uint32_t address, std::uint16_t port, std::uint32_t timeout_ms) {
  if (!IsOpen()) return false;
  int fd = fd_of(handle_);
  sockaddr_in remote = make_socket_address(address, port);
  if (timeout_ms == 0) {
    return ::connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) == 0;
  }
  if (!set_blocking(fd, false)) return false;
  int result = ::connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote);
  if (result != 0) {
    if (errno != EINPROGRESS || !wait_for(fd, POLLOUT, timeout_ms)) return false;
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) return false;
  }
  return set_blocking(fd, true);
}

bool SetSocketTimeouts(NativeSocket socket, std::uint32_t receive_ms, std::uint32_t send_ms) {
  if (socket == kNoSocket) return false;
  timeval receive{static_cast<time_t>(receive_ms / 1000),
                  static_cast<suseconds_t>((receive_ms % 1000) * 1000)};
  timeval send{static_cast<time_t>(send_ms / 1000),
               static_cast<suseconds_t>((send_ms % 1000) * 1000)};
  return setsockopt(fd_of(socket), SOL_SOCKET, SO_RCVTIMEO, &receive, sizeof receive) == 0 &&
         setsockopt(fd_of(socket), SOL_SOCKET, SO_SNDTIMEO, &send, sizeof send) == 0;
}

bool TcpSocket::SetTimeouts(std::uint32_t receive_ms, std::uint32_t send_ms) {
  return IsOpen() && SetSocketTimeouts(handle_, receive_ms, send_ms);
}

long TcpSocket::Send(const void* data, std::size_t size) {
  if (!IsOpen()) return -1;
  return static_cast<long>(::send(fd_of(handle_), data, size, MSG_NOSIGNAL));
}

long TcpSocket::Receive(void* buffer, std::size_t capacity) {
  if (!IsOpen()) return -1;
  return static_cast<long>(::recv(fd_of(handle_), buffer, capacity, 0));
}

}  // namespace platform
