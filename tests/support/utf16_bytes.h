// Text as the bytes Windows keeps it in: UTF-16, low byte first, as a
// registry value, a queue's driver data or a datagram carries it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace test_support {

inline std::vector<std::uint8_t> utf16_bytes(std::u16string_view text, bool terminated) {
  std::vector<std::uint8_t> bytes;
  for (char16_t c : text)
    bytes.insert(bytes.end(), {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8)});
  if (terminated) bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

}  // namespace test_support
