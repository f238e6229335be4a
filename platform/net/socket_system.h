// The system's socket headers, and the socket address both halves of the
// wrapper build (and the printer simulator with them). Inside platform/net
// only: the programs see the sockets port, platform/sockets.h.
#pragma once

#ifdef _WIN32
#include "platform_win32/windows_preamble.h"
// The system headers after it.
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cstdint>

namespace platform {

// An IPv4 socket address from a host-order address and port.
inline sockaddr_in make_socket_address(std::uint32_t address, std::uint16_t port) {
  sockaddr_in socket_address{};
  socket_address.sin_family = AF_INET;
  socket_address.sin_port = htons(port);
  socket_address.sin_addr.s_addr = htonl(address);
  return socket_address;
}

}  // namespace platform
