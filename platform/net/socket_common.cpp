// The parts of the sockets that need no system call.
#include <cstdio>

#include "platform/sockets.h"

namespace platform {

std::optional<std::uint32_t> parse_ipv4(std::string_view text) {
  std::uint32_t address = 0;
  std::size_t position = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (position >= text.size() || text[position] != '.') return std::nullopt;
      ++position;
    }
    std::size_t digits = 0;
    std::uint32_t value = 0;
    while (position < text.size() && text[position] >= '0' && text[position] <= '9') {
      value = value * 10 + static_cast<std::uint32_t>(text[position] - '0');
      ++position;
      if (++digits > 3) return std::nullopt;
    }
    if (digits == 0 || value > 255) return std::nullopt;
    address = (address << 8) | value;
  }
  if (position != text.size()) return std::nullopt;
  return address;
}

std::string format_ipv4(std::uint32_t address) {
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", (address >> 24) & 0xFFu, (address >> 16) & 0xFFu,
                (address >> 8) & 0xFFu, address & 0xFFu);
  return text;
}

}  // namespace platform
