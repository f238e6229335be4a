// A small socket wrapper: Winsock on Windows, POSIX sockets elsewhere. IPv4
// only, as the printers speak it. Addresses are held in host byte order
// (a.b.c.d is a << 24 | b << 16 | c << 8 | d); the wrapper converts at the
// system boundary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Starts the socket library (WSAStartup 2.2 on Windows). Safe to call more
// than once: later calls return the first call's result. On POSIX systems it
// only makes a write to a closed connection an error instead of SIGPIPE.
bool InitializeSockets();
// Ends what InitializeSockets started (WSACleanup); a no-op elsewhere.
void CleanupSockets();

inline constexpr std::uint32_t kIpv4Any = 0x00000000u;
inline constexpr std::uint32_t kIpv4Broadcast = 0xFFFFFFFFu;
inline constexpr std::uint32_t kIpv4Loopback = 0x7F000001u;

// Strict dotted IPv4 text: four decimal parts 0..255 separated by single dots,
// nothing before or after. Returns nothing for any other text.
std::optional<std::uint32_t> ParseIpv4(std::string_view text);
// "%u.%u.%u.%u" of the four bytes.
std::string FormatIpv4(std::uint32_t address);

// The first IPv4 address registered for the local host name, or nothing when
// the host name cannot be read or does not resolve.
std::optional<std::uint32_t> FirstHostAddress();

// A socket handle wide enough for both systems (SOCKET is pointer sized on
// Windows, a file descriptor elsewhere).
using NativeSocket = std::intptr_t;
inline constexpr NativeSocket kNoSocket = -1;

// Time-outs of each later blocking read and write on `socket` (0: none).
bool SetSocketTimeouts(NativeSocket socket, std::uint32_t receive_ms, std::uint32_t send_ms);

// A UDP socket for the discovery protocol: non-blocking, broadcast-capable.
class UdpSocket {
 public:
  UdpSocket() = default;
  ~UdpSocket();
  UdpSocket(const UdpSocket&) = delete;
  UdpSocket& operator=(const UdpSocket&) = delete;
  UdpSocket(UdpSocket&& other) noexcept;
  UdpSocket& operator=(UdpSocket&& other) noexcept;

  // Creates a non-blocking IPv4 UDP socket bound to `address` and `port`
  // (kIpv4Any and 0: any local address, a port chosen by the system).
  bool Open(std::uint32_t address = kIpv4Any, std::uint16_t port = 0);
  bool IsOpen() const { return handle_ != kNoSocket; }
  void Close();

  // The bound local port, or nothing when it cannot be read.
  std::optional<std::uint16_t> LocalPort() const;
  bool EnableBroadcast();
  // Sends one datagram; true when the system took all of it.
  bool SendTo(std::uint32_t address, std::uint16_t port, const void* data, std::size_t size);

  enum class Receive { Datagram, Nothing, Oversized, Error };
  struct ReceiveResult {
    Receive status = Receive::Nothing;
    std::size_t size = 0;           // bytes stored for Datagram
    std::uint32_t source = 0;       // sender's address
    std::uint16_t source_port = 0;  // sender's port
  };
  // Takes one waiting datagram without blocking. A datagram larger than
  // `capacity` is consumed and reported as Oversized on both systems (Winsock
  // fails such a read with WSAEMSGSIZE; POSIX would cut it silently).
  ReceiveResult ReceiveFrom(void* buffer, std::size_t capacity);
  // Waits at most `milliseconds` for a datagram to arrive. True when one is
  // waiting.
  bool WaitReadable(std::uint32_t milliseconds);

  NativeSocket native() const { return handle_; }

 private:
  NativeSocket handle_ = kNoSocket;
};

// A blocking IPv4 TCP socket whose connect, reads and writes have time-outs.
class TcpSocket {
 public:
  TcpSocket() = default;
  ~TcpSocket();
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;
  TcpSocket(TcpSocket&& other) noexcept;
  TcpSocket& operator=(TcpSocket&& other) noexcept;

  bool Open();
  bool IsOpen() const { return handle_ != kNoSocket; }
  void Close();

  // Connects to `address`:`port`. Gives up after `timeout_ms` milliseconds
  // (0: wait as long as the system does). The socket is blocking afterwards.
  bool Connect(std::uint32_t address, std::uint16_t port, std::uint32_t timeout_ms);
  // Time-outs of each later blocking read and write (0: none).
  bool SetTimeouts(std::uint32_t receive_ms, std::uint32_t send_ms);

  // Plain reads and writes; -1 on error or time-out, 0 on an orderly close.
  long Send(const void* data, std::size_t size);
  long Receive(void* buffer, std::size_t capacity);

  // The system handle, for libraries that take one (OpenSSL's SSL_set_fd).
  NativeSocket native() const { return handle_; }

 private:
  NativeSocket handle_ = kNoSocket;
};

}  // namespace platform
