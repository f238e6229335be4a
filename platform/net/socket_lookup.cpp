// The host's own address: the same calls on both systems.
#include "platform_net/net_sockets.h"
#include "socket_system.h"

namespace platform_net {

platform::Win32Error NetSockets::first_host_address(std::uint32_t* address) {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return platform::kWsaHostNotFound;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* results = nullptr;
  if (getaddrinfo(name, nullptr, &hints, &results) != 0 || results == nullptr)
    return platform::kWsaHostNotFound;
  platform::Win32Error found = platform::kWsaHostNotFound;
  for (addrinfo* entry = results; entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_family == AF_INET && entry->ai_addr != nullptr) {
      *address = ntohl(reinterpret_cast<sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr);
      found = platform::kErrorSuccess;
      break;
    }
  }
  freeaddrinfo(results);
  return found;
}

}  // namespace platform_net
