// The host's own address: the same calls on both systems.
#include "platform/socket.h"
#include "socket_system.h"

namespace platform {

std::optional<std::uint32_t> FirstHostAddress() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return std::nullopt;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* results = nullptr;
  if (getaddrinfo(name, nullptr, &hints, &results) != 0 || results == nullptr) {
    return std::nullopt;
  }
  std::optional<std::uint32_t> first;
  for (addrinfo* entry = results; entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_family == AF_INET && entry->ai_addr != nullptr) {
      first = ntohl(reinterpret_cast<sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr);
      break;
    }
  }
  freeaddrinfo(results);
  return first;
}

}  // namespace platform
