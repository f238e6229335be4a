// Winsock half of the system's sockets.
#include "platform_win32/windows_preamble.h"
// The system headers after the preamble.
#include <mswsock.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <mutex>

#include "platform_net/net_sockets.h"
#include "socket_system.h"

namespace platform_net {

using platform::Datagram;
using platform::kErrorSuccess;
using platform::SocketHandle;
using platform::Win32Error;

namespace {

SOCKET socket_of(SocketHandle handle) { return static_cast<SOCKET>(handle); }

Win32Error last_error() { return static_cast<Win32Error>(WSAGetLastError()); }

bool set_blocking(SOCKET s, bool blocking) {
  u_long non_blocking = blocking ? 0 : 1;
  return ioctlsocket(s, FIONBIO, &non_blocking) == 0;
}

// select() on one socket; `write` waits for a finished connect (writable or
// failed), otherwise for readable data. 1 ready, 0 time-out, SOCKET_ERROR.
int wait_for(SOCKET s, bool write, std::uint32_t milliseconds) {
  fd_set main_set;
  fd_set error_set;
  FD_ZERO(&main_set);
  FD_ZERO(&error_set);
  FD_SET(s, &main_set);
  FD_SET(s, &error_set);
  timeval wait{static_cast<long>(milliseconds / 1000),
               static_cast<long>((milliseconds % 1000) * 1000)};
  const int ready = write ? select(0, nullptr, &main_set, &error_set, &wait)
                          : select(0, &main_set, nullptr, nullptr, &wait);
  if (ready == SOCKET_ERROR) return SOCKET_ERROR;
  return ready > 0 && FD_ISSET(s, &main_set) ? 1 : 0;
}

Win32Error set_option(SOCKET s, int option, const void* value, int size) {
  return setsockopt(s, SOL_SOCKET, option, static_cast<const char*>(value), size) == 0
             ? kErrorSuccess
             : last_error();
}

std::mutex g_startup_lock;
bool g_started = false;

}  // namespace

Win32Error NetSockets::startup() {
  std::lock_guard<std::mutex> hold(g_startup_lock);
  if (g_started) return kErrorSuccess;
  WSADATA data;
  const int error = WSAStartup(MAKEWORD(2, 2), &data);
  g_started = error == 0;
  return static_cast<Win32Error>(error);
}

Win32Error NetSockets::cleanup() {
  std::lock_guard<std::mutex> hold(g_startup_lock);
  if (!g_started) return platform::kWsaNotInitialised;
  g_started = false;
  return WSACleanup() == 0 ? kErrorSuccess : last_error();
}

Win32Error NetSockets::open_udp(std::uint32_t address, std::uint16_t port, SocketHandle* socket) {
  *socket = platform::kNoSocket;
  const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (s == INVALID_SOCKET) return last_error();
  sockaddr_in local = platform::make_socket_address(address, port);
  if (!set_blocking(s, false) ||
      ::bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    const Win32Error error = last_error();
    closesocket(s);
    return error;
  }
  // Without this, a datagram sent to an address where nothing listens makes
  // the next reads fail with WSAECONNRESET, which would eat the polls of a
  // listening window.
  BOOL report_resets = FALSE;
  DWORD returned = 0;
  WSAIoctl(s, SIO_UDP_CONNRESET, &report_resets, sizeof report_resets, nullptr, 0, &returned,
           nullptr, nullptr);
  *socket = static_cast<SocketHandle>(s);
  return kErrorSuccess;
}

Win32Error NetSockets::local_port(SocketHandle socket, std::uint16_t* port) {
  sockaddr_in local{};
  int length = sizeof local;
  if (getsockname(socket_of(socket), reinterpret_cast<sockaddr*>(&local), &length) != 0)
    return last_error();
  *port = ntohs(local.sin_port);
  return kErrorSuccess;
}

Win32Error NetSockets::enable_broadcast(SocketHandle socket) {
  const BOOL on = TRUE;
  return set_option(socket_of(socket), SO_BROADCAST, &on, sizeof on);
}

Win32Error NetSockets::send_to(SocketHandle socket, std::uint32_t address, std::uint16_t port,
                               const void* data, std::size_t size) {
  if (size > 0x7FFFFFFF) return platform::kWsaEMsgSize;
  sockaddr_in destination = platform::make_socket_address(address, port);
  const int sent =
      ::sendto(socket_of(socket), static_cast<const char*>(data), static_cast<int>(size), 0,
               reinterpret_cast<sockaddr*>(&destination), sizeof destination);
  if (sent == SOCKET_ERROR) return last_error();
  return static_cast<std::size_t>(sent) == size ? kErrorSuccess : platform::kWsaEMsgSize;
}

Win32Error NetSockets::receive_from(SocketHandle socket, void* buffer, std::size_t capacity,
                                    Datagram* datagram) {
  if (capacity > 0x7FFFFFFF) return WSAEINVAL;
  sockaddr_in source{};
  int length = sizeof source;
  // A datagram larger than the buffer fails with WSAEMSGSIZE, and Winsock
  // has dropped the rest. WSAECONNRESET would be the port-unreachable echo
  // of an earlier send, which open_udp turned off.
  const int received =
      ::recvfrom(socket_of(socket), static_cast<char*>(buffer), static_cast<int>(capacity), 0,
                 reinterpret_cast<sockaddr*>(&source), &length);
  if (received == SOCKET_ERROR) return last_error();
  datagram->size = static_cast<std::size_t>(received);
  datagram->source = ntohl(source.sin_addr.s_addr);
  datagram->source_port = ntohs(source.sin_port);
  return kErrorSuccess;
}

Win32Error NetSockets::wait_readable(SocketHandle socket, std::uint32_t milliseconds) {
  const int ready = wait_for(socket_of(socket), false, milliseconds);
  if (ready == SOCKET_ERROR) return last_error();
  return ready > 0 ? kErrorSuccess : platform::kWsaETimedOut;
}

Win32Error NetSockets::open_tcp(SocketHandle* socket) {
  *socket = platform::kNoSocket;
  const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return last_error();
  *socket = static_cast<SocketHandle>(s);
  return kErrorSuccess;
}

Win32Error NetSockets::connect(SocketHandle socket, std::uint32_t address, std::uint16_t port,
                               std::uint32_t timeout_ms) {
  const SOCKET s = socket_of(socket);
  sockaddr_in remote = platform::make_socket_address(address, port);
  if (timeout_ms == 0) {
    return ::connect(s, reinterpret_cast<sockaddr*>(&remote), sizeof remote) == 0 ? kErrorSuccess
                                                                                  : last_error();
  }
  if (!set_blocking(s, false)) return last_error();
  if (::connect(s, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0) {
    if (WSAGetLastError() != WSAEWOULDBLOCK) return last_error();
    const int ready = wait_for(s, true, timeout_ms);
    if (ready == SOCKET_ERROR) return last_error();
    int error = 0;
    int length = sizeof error;
    if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0)
      return last_error();
    // A refused connect shows in the error set, with its code.
    if (error != 0) return static_cast<Win32Error>(error);
    if (ready == 0) return platform::kWsaETimedOut;
  }
  return set_blocking(s, true) ? kErrorSuccess : last_error();
}

Win32Error NetSockets::set_timeouts(SocketHandle socket, std::uint32_t receive_ms,
                                    std::uint32_t send_ms) {
  const DWORD receive = receive_ms;
  const DWORD send = send_ms;
  if (const Win32Error error = set_option(socket_of(socket), SO_RCVTIMEO, &receive, sizeof receive))
    return error;
  return set_option(socket_of(socket), SO_SNDTIMEO, &send, sizeof send);
}

Win32Error NetSockets::send(SocketHandle socket, const void* data, std::size_t size,
                            std::size_t* done) {
  *done = 0;
  if (size > 0x7FFFFFFF) return WSAEINVAL;
  const int sent =
      ::send(socket_of(socket), static_cast<const char*>(data), static_cast<int>(size), 0);
  if (sent == SOCKET_ERROR) return last_error();
  *done = static_cast<std::size_t>(sent);
  return kErrorSuccess;
}

Win32Error NetSockets::receive(SocketHandle socket, void* buffer, std::size_t capacity,
                               std::size_t* done) {
  *done = 0;
  if (capacity > 0x7FFFFFFF) return WSAEINVAL;
  const int received =
      ::recv(socket_of(socket), static_cast<char*>(buffer), static_cast<int>(capacity), 0);
  if (received == SOCKET_ERROR) return last_error();
  *done = static_cast<std::size_t>(received);
  return kErrorSuccess;
}

Win32Error NetSockets::close(SocketHandle socket) {
  return closesocket(socket_of(socket)) == 0 ? kErrorSuccess : last_error();
}

}  // namespace platform_net
