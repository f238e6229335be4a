#include "printer_access/usb_hub.h"

#include <cstring>

#include "platform/usb_requests.h"
#include "printer_access/printer_protocol.h"

namespace pelmora {

namespace {

bool HubRequest(const UsbPorts& platform, platform::DeviceHandle hub, int port, std::uint32_t code,
                std::uint8_t (&buffer)[kHubBufferSize], std::uint32_t* returned) {
  std::memset(buffer, 0, sizeof buffer);
  const auto index = static_cast<std::uint32_t>(port);
  std::memcpy(buffer, &index, sizeof index);
  return platform.device_io.device_io_control(hub, code, buffer, kHubBufferSize, buffer,
                                              kHubBufferSize, returned) == platform::kErrorSuccess;
}

}  // namespace

bool GetHubPortCount(const UsbPorts& platform, platform::DeviceHandle hub, int* ports) {
  std::uint8_t buffer[kHubBufferSize];
  std::uint32_t returned = 0;
  if (!HubRequest(platform, hub, 0, platform::kIoctlUsbGetNodeInformation, buffer, &returned))
    return false;
  *ports = buffer[platform::kNodeInfoPortCountOffset];
  return true;
}

bool GetHubConnection(const UsbPorts& platform, platform::DeviceHandle hub, int port,
                      HubConnection* connection) {
  std::uint8_t buffer[kHubBufferSize];
  std::uint32_t returned = 0;
  if (!HubRequest(platform, hub, port, platform::kIoctlUsbGetNodeConnectionInformation, buffer,
                  &returned))
    return false;
  connection->connectionStatus = ReadLe32(buffer + platform::kConnectionStatusOffset);
  connection->vendorId = ReadLe16(buffer + platform::kConnectionVendorOffset);
  connection->productId = ReadLe16(buffer + platform::kConnectionProductOffset);
  return true;
}

bool GetHubConnectionText(const UsbPorts& platform, platform::DeviceHandle hub, int port,
                          std::uint32_t control_code, std::u16string* text) {
  std::uint8_t buffer[kHubBufferSize];
  std::uint32_t returned = 0;
  if (!HubRequest(platform, hub, port, control_code, buffer, &returned)) return false;
  text->clear();
  // The answer's last character stays a terminator whatever the hub wrote.
  for (std::size_t at = platform::kNameTextOffset; at + 2 < kHubBufferSize; at += 2) {
    const char16_t c = ReadLe16(buffer + at);
    if (c == 0) break;
    text->push_back(c);
  }
  return true;
}

platform::DeviceHandle OpenHub(const UsbPorts& platform, std::u16string_view path) {
  platform::DeviceHandle hub = platform::kInvalidDeviceHandle;
  if (platform.device_io.create_file(path, platform::kGenericRead, platform::kFileShareRead,
                                     platform::kOpenExisting, 0, &hub) != platform::kErrorSuccess)
    return platform::kInvalidDeviceHandle;
  return hub;
}

}  // namespace pelmora
