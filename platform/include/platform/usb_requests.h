// Control codes of the USB hub driver and the USB printing class driver, and
// where the answers of the hub requests put the fields the programs read.
// The hub answers are Windows' packed structures (USB_NODE_INFORMATION,
// USB_NODE_CONNECTION_INFORMATION, USB_NODE_CONNECTION_DRIVERKEY_NAME,
// USB_NODE_CONNECTION_NAME).
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

inline constexpr std::uint32_t kIoctlUsbprintVendorSetCommand = 0x220038;
inline constexpr std::uint32_t kIoctlUsbprintVendorGetCommand = 0x22003C;

inline constexpr std::uint32_t kIoctlUsbGetNodeInformation = 0x220408;
inline constexpr std::uint32_t kIoctlUsbGetNodeConnectionInformation = 0x22040C;
inline constexpr std::uint32_t kIoctlUsbGetNodeConnectionName = 0x220414;
inline constexpr std::uint32_t kIoctlUsbGetNodeConnectionDriverkeyName = 0x220420;

// USB_NODE_INFORMATION: the hub descriptor's bNumberOfPorts.
inline constexpr std::size_t kNodeInfoPortCountOffset = 6;
// USB_NODE_CONNECTION_INFORMATION.
inline constexpr std::size_t kConnectionIndexOffset = 0;
inline constexpr std::size_t kConnectionVendorOffset = 12;
inline constexpr std::size_t kConnectionProductOffset = 14;
inline constexpr std::size_t kConnectionDeviceIsHubOffset = 24;
inline constexpr std::size_t kConnectionStatusOffset = 31;
inline constexpr std::size_t kConnectionInformationSize = 35;
// USB_NODE_CONNECTION_DRIVERKEY_NAME / USB_NODE_CONNECTION_NAME: index,
// the length the whole answer needs, then the name.
inline constexpr std::size_t kNameActualLengthOffset = 4;
inline constexpr std::size_t kNameTextOffset = 8;

// USB_CONNECTION_STATUS.
inline constexpr std::uint32_t kNoDeviceConnected = 0;
inline constexpr std::uint32_t kDeviceConnected = 1;

}  // namespace platform
