#include "platform_sim/sim_sockets.h"

namespace platform::sim {

SimSockets::~SimSockets() {
  for (SocketHandle socket : open_) real_.close(socket);
}

Win32Error SimSockets::check(std::string_view operation) {
  if (const Win32Error error = faults_.check(operation)) return error;
  std::lock_guard lock(mutex_);
  return started_ ? kErrorSuccess : kWsaNotInitialised;
}

Win32Error SimSockets::check(std::string_view operation, SocketHandle socket) {
  if (const Win32Error error = check(operation)) return error;
  std::lock_guard lock(mutex_);
  return open_.count(socket) ? kErrorSuccess : kWsaENotSock;
}

Win32Error SimSockets::opened(Win32Error error, const SocketHandle* socket) {
  if (error == kErrorSuccess) {
    std::lock_guard lock(mutex_);
    open_.insert(*socket);
  }
  return error;
}

Win32Error SimSockets::startup() {
  if (const Win32Error error = faults_.check("WSAStartup")) return error;
  const Win32Error error = real_.startup();
  std::lock_guard lock(mutex_);
  started_ = error == kErrorSuccess;
  return error;
}

Win32Error SimSockets::cleanup() {
  // The system's own library stays started for the test program's life:
  // other simulated Windows of the same process use it.
  if (const Win32Error error = check("WSACleanup")) return error;
  std::lock_guard lock(mutex_);
  started_ = false;
  return kErrorSuccess;
}

Win32Error SimSockets::first_host_address(std::uint32_t* address) {
  if (const Win32Error error = check("getaddrinfo")) return error;
  return real_.first_host_address(address);
}

Win32Error SimSockets::open_udp(std::uint32_t address, std::uint16_t port, SocketHandle* socket) {
  *socket = kNoSocket;
  if (const Win32Error error = check("socket")) return error;
  return opened(real_.open_udp(address, port, socket), socket);
}

Win32Error SimSockets::local_port(SocketHandle socket, std::uint16_t* port) {
  if (const Win32Error error = check("getsockname", socket)) return error;
  return real_.local_port(socket, port);
}

Win32Error SimSockets::enable_broadcast(SocketHandle socket) {
  if (const Win32Error error = check("setsockopt", socket)) return error;
  return real_.enable_broadcast(socket);
}

Win32Error SimSockets::send_to(SocketHandle socket, std::uint32_t address, std::uint16_t port,
                               const void* data, std::size_t size) {
  if (const Win32Error error = check("sendto", socket)) return error;
  return real_.send_to(socket, address, port, data, size);
}

Win32Error SimSockets::receive_from(SocketHandle socket, void* buffer, std::size_t capacity,
                                    Datagram* datagram) {
  if (const Win32Error error = check("recvfrom", socket)) return error;
  return real_.receive_from(socket, buffer, capacity, datagram);
}

Win32Error SimSockets::wait_readable(SocketHandle socket, std::uint32_t milliseconds) {
  if (const Win32Error error = check("select", socket)) return error;
  return real_.wait_readable(socket, milliseconds);
}

Win32Error SimSockets::open_tcp(SocketHandle* socket) {
  *socket = kNoSocket;
  if (const Win32Error error = check("socket")) return error;
  return opened(real_.open_tcp(socket), socket);
}

Win32Error SimSockets::connect(SocketHandle socket, std::uint32_t address, std::uint16_t port,
                               std::uint32_t timeout_ms) {
  if (const Win32Error error = check("connect", socket)) return error;
  return real_.connect(socket, address, port, timeout_ms);
}

Win32Error SimSockets::set_timeouts(SocketHandle socket, std::uint32_t receive_ms,
                                    std::uint32_t send_ms) {
  if (const Win32Error error = check("setsockopt", socket)) return error;
  return real_.set_timeouts(socket, receive_ms, send_ms);
}

Win32Error SimSockets::send(SocketHandle socket, const void* data, std::size_t size,
                            std::size_t* done) {
  *done = 0;
  if (const Win32Error error = check("send", socket)) return error;
  return real_.send(socket, data, size, done);
}

Win32Error SimSockets::receive(SocketHandle socket, void* buffer, std::size_t capacity,
                               std::size_t* done) {
  *done = 0;
  if (const Win32Error error = check("recv", socket)) return error;
  return real_.receive(socket, buffer, capacity, done);
}

Win32Error SimSockets::close(SocketHandle socket) {
  if (const Win32Error error = check("closesocket", socket)) return error;
  {
    std::lock_guard lock(mutex_);
    open_.erase(socket);
  }
  return real_.close(socket);
}

bool SimSockets::started() const {
  std::lock_guard lock(mutex_);
  return started_;
}

std::size_t SimSockets::open_sockets() const {
  std::lock_guard lock(mutex_);
  return open_.size();
}

}  // namespace platform::sim
