#include "platform/registry.h"

namespace platform {

Win32Error Registry::set_string(RegKey key, std::u16string_view name, std::u16string_view text) {
  std::u16string with_zero(text);
  with_zero.push_back(0);
  return set_value(key, name, kRegSz, with_zero.data(), with_zero.size() * sizeof(char16_t));
}

std::u16string registry_string(const RegistryValue& value) {
  std::u16string out;
  const std::size_t units = value.data.size() / 2;
  for (std::size_t i = 0; i < units; ++i) {
    const char16_t c = static_cast<char16_t>(value.data[2 * i] | (value.data[2 * i + 1] << 8));
    if (c == 0) break;
    out.push_back(c);
  }
  return out;
}

}  // namespace platform
