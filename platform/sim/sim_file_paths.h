// Path helpers the simulated file system's sources share.
#pragma once

#include <string>
#include <string_view>

namespace platform::sim {

// "\\.\NAME": a device, not a file.
inline bool is_device(std::u16string_view key) { return key.starts_with(u"\\\\.\\"); }

// Everything before the last backslash; empty when there is none.
inline std::u16string parent_of(std::u16string_view path) {
  const auto slash = path.rfind(u'\\');
  if (slash == std::u16string_view::npos) return {};
  return std::u16string(path.substr(0, slash));
}

}  // namespace platform::sim
