// The configuration manager and SetupAPI device tree.
#pragma once

#include <cstdint>

namespace platform {

// CONFIGRET values.
using ConfigRet = std::uint32_t;
inline constexpr ConfigRet kCrSuccess = 0;
inline constexpr ConfigRet kCrNoSuchDevnode = 0x0D;
inline constexpr ConfigRet kCrFailure = 0x13;

using DevNode = std::uint32_t;

inline constexpr std::uint32_t kCmLocateDevnodeNormal = 0;
inline constexpr std::uint32_t kCmReenumerateRetryInstallation = 2;

class Devices {
 public:
  virtual ~Devices() = default;
  // CM_Locate_DevNodeW of the root of the device tree.
  virtual ConfigRet locate_root(std::uint32_t flags, DevNode* node) = 0;
  // CM_Reenumerate_DevNode.
  virtual ConfigRet reenumerate(DevNode node, std::uint32_t flags) = 0;
};

}  // namespace platform
