// Winsock half of the socket wrapper.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <mswsock.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <mutex>
#include <utility>

#include "platform/socket.h"
#include "socket_system.h"

namespace platform {
namespace {

SOCKET socket_of(NativeSocket handle) { return static_cast<SOCKET>(handle); }

bool set_blocking(SOCKET s, bool blocking) {
  u_long non_blocking = blocking ? 0 : 1;
  return ioctlsocket(s, FIONBIO, &non_blocking) == 0;
}

// select() on one socket; `write` waits for a finished connect (writable or
// failed), otherwise for readable data.
bool wait_for(SOCKET s, bool write, std::uint32_t milliseconds) {
  fd_set main_set;
  fd_set error_set;
  FD_ZERO(&main_set);
  FD_ZERO(&error_set);
  FD_SET(s, &main_set);
  FD_SET(s, &error_set);
  timeval wait{static_cast<long>(milliseconds / 1000),
               static_cast<long>((milliseconds % 1000) * 1000)};
  int ready = write ? select(0, nullptr, &main_set, &error_set, &wait)
                    : select(0, &main_set, nullptr, nullptr, &wait);
  return ready > 0 && FD_ISSET(s, &main_set);
}

void close_handle(NativeSocket& handle) {
  if (handle != kNoSocket) {
    closesocket(socket_of(handle));
    handle = kNoSocket;
  }
}

std::mutex g_startup_lock;
bool g_started = false;

}  // namespace

bool InitializeSockets() {
  std::lock_guard<std::mutex> hold(g_startup_lock);
  if (!g_started) {
    WSADATA data;
    g_started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  return g_started;
}

void CleanupSockets() {
  std::lock_guard<std::mutex> hold(g_startup_lock);
  if (g_started) {
    WSACleanup();
    g_started = false;
  }
}

// ---- UdpSocket ----

bool UdpSocket::Open(std::uint32_t address, std::uint16_t port) {
  Close();
  SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (s == INVALID_SOCKET) return false;
  sockaddr_in local = make_socket_address(address, port);
  if (!set_blocking(s, false) ||
      ::bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    closesocket(s);
    return false;
  }
  // Without this, a datagram sent to an address where nothing listens makes
  // the next reads fail with WSAECONNRESET, which would eat the polls of a
  // listening window.
  BOOL report_resets = FALSE;
  DWORD returned = 0;
  WSAIoctl(s, SIO_UDP_CONNRESET, &report_resets, sizeof report_resets, nullptr, 0, &returned,
           nullptr, nullptr);
  handle_ = static_cast<NativeSocket>(s);
  return true;
}

void UdpSocket::Close() { close_handle(handle_); }

std::optional<std::uint16_t> UdpSocket::LocalPort() const {
  if (!IsOpen()) return std::nullopt;
  sockaddr_in local{};
  int length = sizeof local;
  if (getsockname(socket_of(handle_), reinterpret_cast<sockaddr*>(&local), &length) != 0) {
    return std::nullopt;
  }
  return ntohs(local.sin_port);
}

bool UdpSocket::EnableBroadcast() {
  BOOL on = TRUE;
  return IsOpen() && setsockopt(socket_of(handle_), SOL_SOCKET, SO_BROADCAST,
                                reinterpret_cast<const char*>(&on), sizeof on) == 0;
}

bool UdpSocket::SendTo(std::uint32_t address, std::uint16_t port, const void* data,
                       std::size_t size) {
  if (!IsOpen() || size > 0x7FFFFFFF) return false;
  sockaddr_in destination = make_socket_address(address, port);
  int sent = ::sendto(socket_of(handle_), static_cast<const char*>(data), static_cast<int>(size), 0,
                      reinterpret_cast<sockaddr*>(&destination), sizeof destination);
  return sent != SOCKET_ERROR && static_cast<std::size_t>(sent) == size;
}

UdpSocket::ReceiveResult UdpSocket::ReceiveFrom(void* buffer, std::size_t capacity) {
  ReceiveResult result;
  if (!IsOpen() || capacity > 0x7FFFFFFF) {
    result.status = Receive::Error;
    return result;
  }
  sockaddr_in source{};
  int length = sizeof source;
  int received =
      ::recvfrom(socket_of(handle_), static_cast<char*>(buffer), static_cast<int>(capacity), 0,
                 reinterpret_cast<sockaddr*>(&source), &length);
  if (received == SOCKET_ERROR) {
    int error = WSAGetLastError();
    if (error == WSAEMSGSIZE) {
      // The datagram was larger than the buffer; Winsock has dropped the rest.
      result.status = Receive::Oversized;
    } else if (error == WSAEWOULDBLOCK) {
      result.status = Receive::Nothing;
    } else {
      // Includes WSAECONNRESET, the port-unreachable echo of an earlier send.
      result.status = Receive::Error;
    }
    return result;
  }
  result.status = Receive::Datagram;
  result.size = static_cast<std::size_t>(received);
  result.source = ntohl(source.sin_addr.s_addr);
  result.source_port = ntohs(source.sin_port);
  return result;
}

bool UdpSocket::WaitReadable(std::uint32_t milliseconds) {
  return IsOpen() && wait_for(socket_of(handle_), false, milliseconds);
}

// ---- TcpSocket ----

bool TcpSocket::Open() {
  Close();
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return false;
  handle_ = static_cast<NativeSocket>(s);
  return true;
}

void TcpSocket::Close() { close_handle(handle_); }

bool TcpSocket::Connect(std::uint32_t address, std::uint16_t port, std::uint32_t timeout_ms) {
  if (!IsOpen()) return false;
  SOCKET s = socket_of(handle_);
  sockaddr_in remote = make_socket_address(address, port);
  if (timeout_ms == 0) {
    return ::connect(s, reinterpret_cast<sockaddr*>(&remote), sizeof remote) == 0;
  }
  if (!set_blocking(s, false)) return false;
  if (::connect(s, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0) {
    if (WSAGetLastError() != WSAEWOULDBLOCK || !wait_for(s, true, timeout_ms)) return false;
    int error = 0;
    int length = sizeof error;
    if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0 ||
        error != 0) {
      return false;
    }
  }
  return set_blocking(s, true);
}

bool SetSocketTimeouts(NativeSocket socket, std::uint32_t receive_ms, std::uint32_t send_ms) {
  if (socket == kNoSocket) return false;
  DWORD receive = receive_ms;
  DWORD send = send_ms;
  return setsockopt(socket_of(socket), SOL_SOCKET, SO_RCVTIMEO,
                    reinterpret_cast<const char*>(&receive), sizeof receive) == 0 &&
         setsockopt(socket_of(socket), SOL_SOCKET, SO_SNDTIMEO,
                    reinterpret_cast<const char*>(&send), sizeof send) == 0;
}

bool TcpSocket::SetTimeouts(std::uint32_t receive_ms, std::uint32_t send_ms) {
  return IsOpen() && SetSocketTimeouts(handle_, receive_ms, send_ms);
}

long TcpSocket::Send(const void* data, std::size_t size) {
  if (!IsOpen() || size > 0x7FFFFFFF) return -1;
  int sent = ::send(socket_of(handle_), static_cast<const char*>(data), static_cast<int>(size), 0);
  return sent == SOCKET_ERROR ? -1 : sent;
}

long TcpSocket::Receive(void* buffer, std::size_t capacity) {
  if (!IsOpen() || capacity > 0x7FFFFFFF) return -1;
  int received =
      ::recv(socket_of(handle_), static_cast<char*>(buffer), static_cast<int>(capacity), 0);
  return received == SOCKET_ERROR ? -1 : received;
}

}  // namespace platform
