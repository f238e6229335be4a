#include "printer_access/search_usb.h"

#include <cstring>

#include "operations/model_catalogue.h"
#include "platform/device_interfaces.h"
#include "platform/usb_requests.h"
#include "platform/util/format.h"
#include "platform/util/text.h"
#include "printer_access/admin_usb.h"
#include "printer_access/reader_detect.h"
#include "printer_access/usb_hub.h"
#include "printer_access/usb_lookups.h"

namespace pelmora {

bool IsRecognisedPrinter(std::uint16_t vendorId, std::uint16_t productId) {
  return vendorId == kPrinterVendorId && productId >= kPrinterProductFirst &&
         productId <= kPrinterProductLast;
}

template <typename PerHub>
bool CZelkoSearch::WalkHubs(PerHub per_hub) {
  platform::DeviceInterfaces& interfaces = platform_.device_interfaces;
  platform::ScopedInterfaceList set(interfaces);
  if (interfaces.get_class_devs(platform::kGuidDevinterfaceUsbHub,
                                platform::kDigcfPresent | platform::kDigcfDeviceInterface,
                                set.receive()) != platform::kErrorSuccess ||
      !set)
    return false;
  platform::DeviceInterfaceData data{};
  bool done = false;
  for (std::uint32_t i = 0;
       !done && interfaces.enum_interface(set.get(), platform::kGuidDevinterfaceUsbHub, i, &data) ==
                    platform::kErrorSuccess;
       ++i) {
    std::u16string path;
    if (!ReadInterfacePath(platform_, set.get(), data, &path)) continue;
    const platform::ScopedDevice hub(platform_.device_io, OpenHub(platform_, path));
    if (!hub) continue;
    int ports = 0;
    if (!GetHubPortCount(platform_, hub.get(), &ports)) continue;
    done = per_hub(hub.get(), ports);
  }
  return true;
}

bool CZelkoSearch::ProbeHubPort(platform::DeviceHandle hub, int port, UsbPortFindings* found) {
  *found = UsbPortFindings{};
  HubConnection connection;
  if (!GetHubConnection(platform_, hub, port, &connection) ||
      connection.connectionStatus != platform::kDeviceConnected ||
      !IsRecognisedPrinter(connection.vendorId, connection.productId))
    return false;
  std::u16string driver_key;
  if (!GetHubConnectionText(platform_, hub, port, platform::kIoctlUsbGetNodeConnectionDriverkeyName,
                            &driver_key))
    return false;
  // The working buffers: zero-filled for every port.
  char16_t path[kUsbTextLength] = {};
  char16_t prefix[kUsbTextLength] = {};
  char16_t display[kUsbTextLength] = {};
  char16_t portName[kUsbTextLength] = {};
  char16_t id[kUsbTextLength] = {};
  if (!FindPrinterDevice(platform_, kPrinterVendorId, connection.productId, driver_key.c_str(),
                         path, kUsbTextLength, prefix, kUsbTextLength))
    return false;
  if (!FindQueueForPrefix(platform_, prefix, display, kUsbTextLength))
    GetUsbModelName(connection.productId, display, kUsbTextLength);
  FindUsbPortName(platform_, prefix, portName, kUsbTextLength);
  QueryPrinterId(platform_, path, portName, display, id, kUsbTextLength);
  found->productId = connection.productId;
  found->devicePath.assign(platform::bounded_view(path, kUsbTextLength));
  found->instancePrefix.assign(platform::bounded_view(prefix, kUsbTextLength));
  found->displayName.assign(platform::bounded_view(display, kUsbTextLength));
  found->portName.assign(platform::bounded_view(portName, kUsbTextLength));
  found->printerId.assign(platform::bounded_view(id, kUsbTextLength));
  return true;
}

int CZelkoSearch::ListUsbPrinters(PrinterList* list) {
  if (list == nullptr) return 0;
  WalkHubs([&](platform::DeviceHandle hub, int ports) {
    for (int p = 1; p <= ports; ++p) {
      UsbPortFindings found;
      if (!ProbeHubPort(hub, p, &found)) continue;
      AppendListEntry(list, found.displayName, found.printerId, found.portName, found.productId);
    }
    return false;
  });
  return 1;
}

int CZelkoSearch::FindUsbPrinter(PrinterDetails* details, const char16_t* wanted_id,
                                 const char16_t* wanted_port) {
  if (details == nullptr || wanted_id == nullptr) return 0;
  const std::u16string_view id = platform::bounded_view(wanted_id, kUsbTextLength);
  const bool by_port = wanted_port != nullptr;
  const std::u16string_view port = platform::bounded_view(wanted_port, kUsbTextLength);
  bool matched = false;
  WalkHubs([&](platform::DeviceHandle hub, int ports) {
    for (int p = 1; p <= ports; ++p) {
      UsbPortFindings found;
      if (!ProbeHubPort(hub, p, &found)) continue;
      if (found.printerId != id || (by_port && found.portName != port)) continue;
      FillDetails(details, found, hub);
      matched = true;
      return true;
    }
    return false;
  });
  return matched ? 1 : 0;
}

void CZelkoSearch::FillDetails(PrinterDetails* details, const UsbPortFindings& found,
                               platform::DeviceHandle hub) {
  platform::copy_truncated(details->displayName, found.displayName);
  platform::copy_truncated(details->printerId, found.printerId);
  platform::copy_truncated(details->address, found.portName);
  details->connectionKind = kConnectionUsb;
  details->productId = found.productId;
  platform::copy_truncated(details->usbPortName, found.portName);
  platform::copy_truncated(details->devicePath, found.devicePath);
  std::memset(&details->encoderInfo, 0, sizeof details->encoderInfo);
  if (ReadEncoderInfoOverUsb(platform_, &details->encoderInfo, found.devicePath.c_str(),
                             found.portName.c_str(), found.displayName.c_str()) == 1) {
    details->encoderInfoFromPrinter = 1;
    return;
  }
  details->encoderInfoFromPrinter = 0;
  details->encoderInfo.statusWord = static_cast<std::uint32_t>(QueryPrinterStatusFlag(
      platform_, found.devicePath.c_str(), found.portName.c_str(), found.displayName.c_str()));
  DetectReaders(platform_, &details->encoderInfo, hub);
  if (HasInnerHub(hub, kInnerHubPort)) ScanInnerHub(&details->encoderInfo, hub, kInnerHubPort);
}

bool CZelkoSearch::HasInnerHub(platform::DeviceHandle hub, int port) {
  HubConnection connection;
  return GetHubConnection(platform_, hub, port, &connection) &&
         connection.connectionStatus == platform::kDeviceConnected &&
         connection.vendorId == kInnerHubVendorId && connection.productId == kInnerHubProductId;
}

void CZelkoSearch::ScanInnerHub(EncoderInfoBlock* block, platform::DeviceHandle hub, int port) {
  std::u16string name;
  if (!GetHubConnectionText(platform_, hub, port, platform::kIoctlUsbGetNodeConnectionName,
                            &name) ||
      name.empty())
    return;
  const platform::ScopedDevice inner(platform_.device_io,
                                     OpenHub(platform_, platform::format(u"\\\\.\\%s", {name})));
  if (inner) DetectReaders(platform_, block, inner.get());
}

}  // namespace pelmora
