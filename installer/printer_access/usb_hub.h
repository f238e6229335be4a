// The USB hub requests the search and the reader detection send: each one
// with a 1024-byte buffer for question and answer, the port number in its
// first 32-bit word, read at the offsets of Windows' own structures.
#pragma once

#include <cstdint>
#include <string>

#include "printer_access/usb_ports.h"

namespace pelmora {

inline constexpr std::uint32_t kHubBufferSize = 1024;

struct HubConnection {
  std::uint32_t connectionStatus = 0;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
};

// IOCTL_USB_GET_NODE_INFORMATION: the hub's number of downstream ports.
bool GetHubPortCount(const UsbPorts& platform, platform::DeviceHandle hub, int* ports);
// IOCTL_USB_GET_NODE_CONNECTION_INFORMATION for one port.
bool GetHubConnection(const UsbPorts& platform, platform::DeviceHandle hub, int port,
                      HubConnection* connection);
// IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME or
// IOCTL_USB_GET_NODE_CONNECTION_NAME for one port: the text from offset 8,
// up to its terminator or the end of the answer.
bool GetHubConnectionText(const UsbPorts& platform, platform::DeviceHandle hub, int port,
                          std::uint32_t control_code, std::u16string* text);

// Opens a hub path for reading, shared for reading.
platform::DeviceHandle OpenHub(const UsbPorts& platform, std::u16string_view path);

}  // namespace pelmora
