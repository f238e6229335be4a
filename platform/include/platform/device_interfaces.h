// SetupAPI device-interface lists: the present interfaces of one interface
// class, enumerated by index, each with its detail data (the device path).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/devices.h"
#include "platform/util/scoped.h"
#include "platform/win_error.h"

namespace platform {

struct Guid {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];
};

constexpr bool operator==(const Guid& a, const Guid& b) {
  if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.data4[i] != b.data4[i]) return false;
  return true;
}

// {28D78FAD-5A12-11D1-AE5B-0000F803A8C2}: the USB printing class.
inline constexpr Guid kGuidDevinterfaceUsbPrint{
    0x28D78FAD, 0x5A12, 0x11D1, {0xAE, 0x5B, 0x00, 0x00, 0xF8, 0x03, 0xA8, 0xC2}};
// {F18A0E88-C30C-11D0-8815-00A0C906BED8}: USB hubs.
inline constexpr Guid kGuidDevinterfaceUsbHub{
    0xF18A0E88, 0xC30C, 0x11D0, {0x88, 0x15, 0x00, 0xA0, 0xC9, 0x06, 0xBE, 0xD8}};

inline constexpr Win32Error kErrorInvalidUserBuffer = 1784;

using DevInfoSet = std::uintptr_t;
inline constexpr DevInfoSet kInvalidDevInfoSet = ~DevInfoSet{0};

// SP_DEVICE_INTERFACE_DATA, held opaquely: the real layer copies the
// system's structure in and out, the simulated one keeps its own index.
struct DeviceInterfaceData {
  alignas(8) unsigned char storage[32];
};

// SP_DEVICE_INTERFACE_DETAIL_DATA_W is a 32-bit size followed by the device
// path. Its header size, which the caller must put into the size field, is
// that of the structure with one path character: 6 bytes in 32-bit programs
// (the structure is packed to 1 there) and 8 bytes in 64-bit programs.
inline constexpr std::uint32_t kDeviceInterfaceDetailHeaderSize = sizeof(void*) == 8 ? 8 : 6;
inline constexpr std::size_t kDeviceInterfaceDetailPathOffset = 4;

class DeviceInterfaces {
 public:
  virtual ~DeviceInterfaces() = default;

  // SetupDiGetClassDevsW(class, no enumerator, no window, flags).
  virtual Win32Error get_class_devs(const Guid& interface_class, std::uint32_t flags,
                                    DevInfoSet* set) = 0;
  // SetupDiEnumDeviceInterfaces: kErrorNoMoreItems after the last one.
  virtual Win32Error enum_interface(DevInfoSet set, const Guid& interface_class,
                                    std::uint32_t index, DeviceInterfaceData* data) = 0;
  // SetupDiGetDeviceInterfaceDetailW. With no buffer it fails with
  // kErrorInsufficientBuffer and reports the size needed; a buffer whose size
  // field is not kDeviceInterfaceDetailHeaderSize fails with
  // kErrorInvalidUserBuffer.
  virtual Win32Error get_interface_detail(DevInfoSet set, const DeviceInterfaceData& data,
                                          void* detail, std::uint32_t detail_size,
                                          std::uint32_t* required_size) = 0;
  // SetupDiDestroyDeviceInfoList.
  virtual Win32Error destroy_list(DevInfoSet set) = 0;
};

// A device-interface list, destroyed when it goes out of scope.
using ScopedInterfaceList =
    Scoped<DeviceInterfaces, DevInfoSet, &DeviceInterfaces::destroy_list, kInvalidDevInfoSet>;

}  // namespace platform
