// Simulated Windows Sockets. Each call goes on to the system's own sockets,
// so the tests' printer simulator answers on loopback, after the simulation
// has checked it: a fault planted for its Winsock name fails it, a call
// before WSAStartup fails as on Windows, and a socket it did not give out is
// not a socket.
#pragma once

#include <mutex>
#include <set>

#include "platform/sockets.h"
#include "platform_net/net_sockets.h"
#include "platform_sim/faults.h"

namespace platform::sim {

class SimSockets : public Sockets {
 public:
  explicit SimSockets(Faults& faults) : faults_(faults) {}
  // Closes what the program left open (Windows does at its end).
  ~SimSockets() override;
  SimSockets(const SimSockets&) = delete;
  SimSockets& operator=(const SimSockets&) = delete;

  Win32Error startup() override;
  Win32Error cleanup() override;
  Win32Error first_host_address(std::uint32_t* address) override;
  Win32Error open_udp(std::uint32_t address, std::uint16_t port, SocketHandle* socket) override;
  Win32Error local_port(SocketHandle socket, std::uint16_t* port) override;
  Win32Error enable_broadcast(SocketHandle socket) override;
  Win32Error send_to(SocketHandle socket, std::uint32_t address, std::uint16_t port,
                     const void* data, std::size_t size) override;
  Win32Error receive_from(SocketHandle socket, void* buffer, std::size_t capacity,
                          Datagram* datagram) override;
  Win32Error wait_readable(SocketHandle socket, std::uint32_t milliseconds) override;
  Win32Error open_tcp(SocketHandle* socket) override;
  Win32Error connect(SocketHandle socket, std::uint32_t address, std::uint16_t port,
                     std::uint32_t timeout_ms) override;
  Win32Error set_timeouts(SocketHandle socket, std::uint32_t receive_ms,
                          std::uint32_t send_ms) override;
  Win32Error send(SocketHandle socket, const void* data, std::size_t size,
                  std::size_t* done) override;
  Win32Error receive(SocketHandle socket, void* buffer, std::size_t capacity,
                     std::size_t* done) override;
  Win32Error close(SocketHandle socket) override;

  bool started() const;
  std::size_t open_sockets() const;

 private:
  // The fault planted for `operation`, or kWsaNotInitialised before
  // WSAStartup.
  Win32Error check(std::string_view operation);
  // check(), and kWsaENotSock for a socket this simulation did not give out.
  Win32Error check(std::string_view operation, SocketHandle socket);
  // Records the socket an open call gave out (read after the call).
  Win32Error opened(Win32Error error, const SocketHandle* socket);

  Faults& faults_;
  platform_net::NetSockets real_;
  mutable std::mutex mutex_;
  bool started_ = false;
  std::set<SocketHandle> open_;
};

}  // namespace platform::sim
