// The system's own sockets: Winsock on Windows, POSIX sockets elsewhere (the
// simulated Windows carries its calls to these, and the printer simulator
// uses them directly).
#pragma once

#include "platform/sockets.h"

namespace platform_net {

class NetSockets : public platform::Sockets {
 public:
  platform::Win32Error startup() override;
  platform::Win32Error cleanup() override;
  platform::Win32Error first_host_address(std::uint32_t* address) override;
  platform::Win32Error open_udp(std::uint32_t address, std::uint16_t port,
                                platform::SocketHandle* socket) override;
  platform::Win32Error local_port(platform::SocketHandle socket, std::uint16_t* port) override;
  platform::Win32Error enable_broadcast(platform::SocketHandle socket) override;
  platform::Win32Error send_to(platform::SocketHandle socket, std::uint32_t address,
                               std::uint16_t port, const void* data, std::size_t size) override;
  platform::Win32Error receive_from(platform::SocketHandle socket, void* buffer,
                                    std::size_t capacity, platform::Datagram* datagram) override;
  platform::Win32Error wait_readable(platform::SocketHandle socket,
                                     std::uint32_t milliseconds) override;
  platform::Win32Error open_tcp(platform::SocketHandle* socket) override;
  platform::Win32Error connect(platform::SocketHandle socket, std::uint32_t address,
                               std::uint16_t port, std::uint32_t timeout_ms) override;
  platform::Win32Error set_timeouts(platform::SocketHandle socket, std::uint32_t receive_ms,
                                    std::uint32_t send_ms) override;
  platform::Win32Error send(platform::SocketHandle socket, const void* data, std::size_t size,
                            std::size_t* done) override;
  platform::Win32Error receive(platform::SocketHandle socket, void* buffer, std::size_t capacity,
                               std::size_t* done) override;
  platform::Win32Error close(platform::SocketHandle socket) override;
};

}  // namespace platform_net
