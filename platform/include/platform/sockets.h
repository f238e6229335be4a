// Windows Sockets: the UDP discovery of network printers and the TCP
// connection under their administration channel. IPv4 only, as the printers
// speak it. Addresses and ports are in host byte order (a.b.c.d is
// a << 24 | b << 16 | c << 8 | d); the port converts at the system boundary.
// Failures are Winsock's codes (WSAGetLastError), on every system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/util/scoped.h"
#include "platform/win_error.h"

namespace platform {

// A socket as the system gives it out (a SOCKET on Windows, a file
// descriptor elsewhere), for libraries that take one (OpenSSL's SSL_set_fd).
using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kNoSocket = -1;  // INVALID_SOCKET

inline constexpr Win32Error kWsaEWouldBlock = 10035;
inline constexpr Win32Error kWsaENotSock = 10038;
inline constexpr Win32Error kWsaEMsgSize = 10040;
inline constexpr Win32Error kWsaENetDown = 10050;
inline constexpr Win32Error kWsaENetUnreach = 10051;
inline constexpr Win32Error kWsaEConnReset = 10054;
inline constexpr Win32Error kWsaETimedOut = 10060;
inline constexpr Win32Error kWsaEConnRefused = 10061;
inline constexpr Win32Error kWsaSysNotReady = 10091;
inline constexpr Win32Error kWsaNotInitialised = 10093;
inline constexpr Win32Error kWsaHostNotFound = 11001;

inline constexpr std::uint32_t kIpv4Any = 0x00000000u;
inline constexpr std::uint32_t kIpv4Broadcast = 0xFFFFFFFFu;
inline constexpr std::uint32_t kIpv4Loopback = 0x7F000001u;

// Strict dotted IPv4 text: four decimal parts 0..255 separated by single dots,
// nothing before or after. Returns nothing for any other text. (No system
// call: these two are plain text helpers.)
std::optional<std::uint32_t> parse_ipv4(std::string_view text);
// "%u.%u.%u.%u" of the four bytes.
std::string format_ipv4(std::uint32_t address);

// One datagram taken by receive_from.
struct Datagram {
  std::size_t size = 0;           // bytes stored
  std::uint32_t source = 0;       // sender's address
  std::uint16_t source_port = 0;  // sender's port
};

class Sockets {
 public:
  virtual ~Sockets() = default;

  // WSAStartup 2.2, once for the process: a later call returns the first
  // one's result until cleanup. Every other call fails with
  // kWsaNotInitialised before it. On POSIX systems it only makes a write to
  // a closed connection an error instead of SIGPIPE.
  virtual Win32Error startup() = 0;
  // WSACleanup of what startup started; kWsaNotInitialised without it.
  virtual Win32Error cleanup() = 0;
  // gethostname, then getaddrinfo of that name: its first IPv4 address.
  // kWsaHostNotFound when the name has none.
  virtual Win32Error first_host_address(std::uint32_t* address) = 0;

  // socket(AF_INET, SOCK_DGRAM), made non-blocking and bound to `address`
  // and `port` (kIpv4Any and 0: any local address, a port the system
  // chooses). A datagram sent to an address where nothing listens never
  // fails a later read (Windows' SIO_UDP_CONNRESET is turned off). On
  // failure *socket is kNoSocket.
  virtual Win32Error open_udp(std::uint32_t address, std::uint16_t port, SocketHandle* socket) = 0;
  // getsockname: the bound local port.
  virtual Win32Error local_port(SocketHandle socket, std::uint16_t* port) = 0;
  // setsockopt SO_BROADCAST.
  virtual Win32Error enable_broadcast(SocketHandle socket) = 0;
  // sendto: one datagram, all of it or a failure.
  virtual Win32Error send_to(SocketHandle socket, std::uint32_t address, std::uint16_t port,
                             const void* data, std::size_t size) = 0;
  // recvfrom without blocking: one waiting datagram into `buffer`.
  // kWsaEWouldBlock when none waits; kWsaEMsgSize when it was larger than
  // `capacity` (consumed and dropped on every system: POSIX would cut it
  // silently).
  virtual Win32Error receive_from(SocketHandle socket, void* buffer, std::size_t capacity,
                                  Datagram* datagram) = 0;
  // select for reading, at most `milliseconds`: kErrorSuccess when a
  // datagram waits, kWsaETimedOut when none came in the time.
  virtual Win32Error wait_readable(SocketHandle socket, std::uint32_t milliseconds) = 0;

  // socket(AF_INET, SOCK_STREAM), blocking. On failure *socket is kNoSocket.
  virtual Win32Error open_tcp(SocketHandle* socket) = 0;
  // connect to `address`:`port`, giving up after `timeout_ms` milliseconds
  // (kWsaETimedOut; 0: as long as the system waits). The socket is blocking
  // afterwards.
  virtual Win32Error connect(SocketHandle socket, std::uint32_t address, std::uint16_t port,
                             std::uint32_t timeout_ms) = 0;
  // setsockopt SO_RCVTIMEO and SO_SNDTIMEO: the limit of each later blocking
  // read and write (0: none).
  virtual Win32Error set_timeouts(SocketHandle socket, std::uint32_t receive_ms,
                                  std::uint32_t send_ms) = 0;
  // send and recv: *done is the bytes written or read (0 from receive: the
  // peer closed the connection in order).
  virtual Win32Error send(SocketHandle socket, const void* data, std::size_t size,
                          std::size_t* done) = 0;
  virtual Win32Error receive(SocketHandle socket, void* buffer, std::size_t capacity,
                             std::size_t* done) = 0;

  // closesocket, for both kinds.
  virtual Win32Error close(SocketHandle socket) = 0;
};

// A socket, closed when it goes out of scope.
using ScopedSocket = Scoped<Sockets, SocketHandle, &Sockets::close, kNoSocket>;

}  // namespace platform
