// The configuration manager and SetupAPI device tree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/util/scoped.h"
#include "platform/win_error.h"

namespace platform {

// CONFIGRET values.
using ConfigRet = std::uint32_t;
inline constexpr ConfigRet kCrSuccess = 0;
inline constexpr ConfigRet kCrNoSuchDevnode = 0x0D;
inline constexpr ConfigRet kCrFailure = 0x13;

using DevNode = std::uint32_t;

inline constexpr std::uint32_t kCmLocateDevnodeNormal = 0;
inline constexpr std::uint32_t kCmReenumerateRetryInstallation = 2;

using DeviceInfoSet = std::uintptr_t;

// SetupDiGetClassDevs flags.
inline constexpr std::uint32_t kDigcfPresent = 0x00000002;
inline constexpr std::uint32_t kDigcfAllClasses = 0x00000004;
inline constexpr std::uint32_t kDigcfDeviceInterface = 0x00000010;

class Devices {
 public:
  virtual ~Devices() = default;
  // SetupDiGetClassDevsA with no class: the device nodes of `enumerator`
  // ("USB"), present or not. Without a class the flags must hold
  // kDigcfAllClasses (else kErrorInvalidParameter). On failure *set is 0.
  virtual Win32Error get_class_devs(std::string_view enumerator, std::uint32_t flags,
                                    DeviceInfoSet* set) = 0;
  // SetupDiEnumDeviceInfo: whether node `index` of the set exists
  // (kErrorNoMoreItems past the last one).
  virtual Win32Error enum_device_info(DeviceInfoSet set, std::uint32_t index) = 0;
  // SetupDiGetDeviceRegistryPropertyA(SPDRP_HARDWAREID) of node `index` into a
  // buffer of `buffer_bytes`: the REG_MULTI_SZ as the call leaves it (each id
  // with its zero, one more zero at the end). kErrorInsufficientBuffer when it
  // does not fit.
  virtual Win32Error get_hardware_ids(DeviceInfoSet set, std::uint32_t index,
                                      std::size_t buffer_bytes, std::string* ids) = 0;
  // SetupDiRemoveDevice of node `index`.
  virtual Win32Error remove_device(DeviceInfoSet set, std::uint32_t index) = 0;
  // SetupDiDestroyDeviceInfoList.
  virtual Win32Error destroy_set(DeviceInfoSet set) = 0;

  // CM_Locate_DevNodeW of the root of the device tree.
  virtual ConfigRet locate_root(std::uint32_t flags, DevNode* node) = 0;
  // CM_Reenumerate_DevNode.
  virtual ConfigRet reenumerate(DevNode node, std::uint32_t flags) = 0;
};

// A set of device nodes, destroyed when it goes out of scope.
using ScopedDeviceInfoSet = Scoped<Devices, DeviceInfoSet, &Devices::destroy_set>;

}  // namespace platform
