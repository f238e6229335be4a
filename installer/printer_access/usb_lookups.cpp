#include "printer_access/usb_lookups.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/device_interfaces.h"
#include "platform/registry.h"
#include "platform/usb_requests.h"
#include "platform/util/format.h"
#include "platform/util/text.h"
#include "printer_access/admin_usb.h"

namespace pelmora {

namespace {

using platform::ScopedRegKey;

// A text field of the USB structures, up to its first zero.
std::u16string_view UsbText(const char16_t* text) {
  return platform::bounded_view(text, kUsbTextLength);
}

bool OpenHklm(const UsbPorts& platform, std::u16string_view path, ScopedRegKey& key) {
  return platform.registry.open_key(platform::kHkeyLocalMachine, path, platform::kKeyRead,
                                    key.receive()) == platform::kErrorSuccess;
}

// A text value of at most `max_bytes` bytes, up to its first zero.
bool QueryText(const UsbPorts& platform, platform::RegKey key, std::u16string_view name,
               std::size_t max_bytes, std::u16string* text) {
  platform::RegistryValue value;
  if (platform.registry.query_value(key, name, max_bytes, &value) != platform::kErrorSuccess)
    return false;
  *text = platform::registry_string(value);
  return true;
}

bool ReadHklmText(const UsbPorts& platform, std::u16string_view path, std::u16string_view name,
                  std::size_t max_bytes, std::u16string* text) {
  ScopedRegKey key(platform.registry);
  return OpenHklm(platform, path, key) && QueryText(platform, key.get(), name, max_bytes, text);
}

std::u16string NodeKey(std::u16string_view instance_id) {
  return platform::format(u"SYSTEM\\CurrentControlSet\\Enum\\%s", {instance_id});
}

std::u16string UsbDevicesKey(std::uint16_t vendorId, std::uint16_t productId) {
  return platform::format(u"SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_%04x&Pid_%04x",
                          {vendorId, productId});
}

// Walks the instances of one vendor and product id for the node whose
// "Driver" equals the driver key; `instance_id` and `instance_name` receive it.
bool FindInstanceByDriverKey(const UsbPorts& platform, std::uint16_t vendorId,
                             std::uint16_t productId, std::u16string_view driver_key,
                             std::u16string* instance_id, std::u16string* instance_name) {
  ScopedRegKey devices(platform.registry);
  if (!OpenHklm(platform, UsbDevicesKey(vendorId, productId), devices)) return false;
  std::u16string name;
  for (std::uint32_t i = 0;
       platform.registry.enum_subkey(devices.get(), i, &name) == platform::kErrorSuccess; ++i) {
    const std::u16string id =
        platform::format(u"USB\\Vid_%04x&Pid_%04x\\%s", {vendorId, productId, name});
    char16_t key[kUsbTextLength] = {};
    if (ReadDeviceDriverKey(platform, id.c_str(), key, kUsbTextLength) &&
        platform::equals_ignore_ascii_case(UsbText(key), driver_key)) {
      *instance_id = id;
      *instance_name = name;
      return true;
    }
  }
  return false;
}

std::uint8_t PrinterAnswerByte(const std::uint8_t* answer, std::uint32_t returned,
                               std::size_t index) {
  return index < returned ? answer[index] : 0;
}

// Sends one get request to the printer at `devicePath`, opened exclusively
// for that request only.
bool AskPrinter(const UsbPorts& platform, const char16_t* devicePath, const char16_t* lockName,
                const std::uint8_t* request, std::uint32_t request_length,
                std::uint8_t (&answer)[kPrinterAnswerCapacity], std::uint32_t* returned) {
  if (devicePath == nullptr) return false;
  platform::ScopedDevice device(platform.device_io);
  if (platform.device_io.create_file(UsbText(devicePath), platform::kGenericRead, 0,
                                     platform::kOpenExisting, platform::kFileAttributeNormal,
                                     device.receive()) != platform::kErrorSuccess ||
      !device)
    return false;
  return LockedVendorIoControl(platform, lockName, device.get(),
                               platform::kIoctlUsbprintVendorGetCommand, request, request_length,
                               answer, kPrinterAnswerCapacity, returned);
}

std::u16string DriverDataKey(const char16_t* queue_name) {
  return platform::format(u"%s\\%s\\PrinterDriverData", {kPrintersKeyPath, UsbText(queue_name)});
}

}  // namespace

bool ReadHklmValue(const UsbPorts& platform, std::u16string_view sub_key,
                   std::u16string_view value_name, void* buffer, std::size_t buffer_bytes,
                   std::size_t* bytes_read) {
  ScopedRegKey key(platform.registry);
  if (!OpenHklm(platform, sub_key, key)) return false;
  platform::RegistryValue value;
  if (platform.registry.query_value(key.get(), value_name, buffer_bytes, &value) !=
          platform::kErrorSuccess ||
      value.data.size() > buffer_bytes)
    return false;
  if (!value.data.empty()) std::memcpy(buffer, value.data.data(), value.data.size());
  if (bytes_read != nullptr) *bytes_read = value.data.size();
  return true;
}

bool FindQueueForPrefix(const UsbPorts& platform, const char16_t* prefix_text, char16_t* queue,
                        std::size_t capacity) {
  const std::u16string_view prefix = UsbText(prefix_text);
  ScopedRegKey printers(platform.registry);
  if (!OpenHklm(platform, kPrintersKeyPath, printers)) return false;
  // An empty prefix names no device.
  if (prefix.empty()) return false;
  std::u16string name;
  for (std::uint32_t i = 0;
       platform.registry.enum_subkey(printers.get(), i, &name) == platform::kErrorSuccess; ++i) {
    std::u16string instance;
    if (!ReadHklmText(platform, platform::format(u"%s\\%s\\PnPData", {kPrintersKeyPath, name}),
                      u"DeviceInstanceId", 1024, &instance))
      continue;
    if (instance.size() <= prefix.size() + 7) continue;
    const std::u16string_view candidate =
        std::u16string_view(instance).substr(instance.size() - 7 - prefix.size(), prefix.size());
    if (platform::equals_ignore_ascii_case(candidate, prefix)) {
      platform::copy_truncated(queue, capacity, name);
      return true;
    }
  }
  return false;
}

void ReadParentIdPrefix(const UsbPorts& platform, const char16_t* instance_id,
                        const char16_t* instance_name, char16_t* prefix, std::size_t capacity) {
  platform::copy_truncated(prefix, capacity, u"");
  std::u16string value;
  if (ReadHklmText(platform, NodeKey(UsbText(instance_id)), u"ParentIdPrefix", 2048, &value)) {
    platform::copy_truncated(prefix, capacity, value);
  } else {
    platform::copy_truncated(prefix, capacity, UsbText(instance_name));
  }
}

bool ReadDeviceDriverKey(const UsbPorts& platform, const char16_t* instance_id,
                         char16_t* driver_key, std::size_t capacity) {
  std::u16string value;
  if (!ReadHklmText(platform, NodeKey(UsbText(instance_id)), u"Driver", 2048, &value)) return false;
  platform::copy_truncated(driver_key, capacity, value);
  return true;
}

bool PathMatchesInstance(std::u16string_view path, std::u16string_view instance_id) {
  auto fold = [](char16_t c) { return c == u'\\' ? u'#' : platform::ascii_upper(c); };
  for (std::size_t i = 0; i < instance_id.size(); ++i) {
    if (i + 4 >= path.size()) return false;
    if (fold(path[i + 4]) != fold(instance_id[i])) return false;
  }
  return true;
}

bool FindUsbPrintPath(const UsbPorts& platform, const char16_t* instance_id, char16_t* path,
                      std::size_t capacity) {
  platform::DeviceInterfaces& interfaces = platform.device_interfaces;
  platform::ScopedInterfaceList set(interfaces);
  if (interfaces.get_class_devs(platform::kGuidDevinterfaceUsbPrint,
                                platform::kDigcfPresent | platform::kDigcfDeviceInterface,
                                set.receive()) != platform::kErrorSuccess ||
      !set)
    return false;
  bool found = false;
  platform::DeviceInterfaceData data{};
  for (std::uint32_t i = 0;
       !found && interfaces.enum_interface(set.get(), platform::kGuidDevinterfaceUsbPrint, i,
                                           &data) == platform::kErrorSuccess;
       ++i) {
    std::u16string devicePath;
    if (!ReadInterfacePath(platform, set.get(), data, &devicePath)) continue;
    if (!PathMatchesInstance(devicePath, UsbText(instance_id))) continue;
    platform::format_to(path, capacity, u"\\\\.\\%s", {std::u16string_view(devicePath).substr(4)});
    found = true;
  }
  return found;
}

bool ReadInterfacePath(const UsbPorts& platform, platform::DevInfoSet set,
                       const platform::DeviceInterfaceData& data, std::u16string* path) {
  platform::DeviceInterfaces& interfaces = platform.device_interfaces;
  std::uint32_t required = 0;
  interfaces.get_interface_detail(set, data, nullptr, 0, &required);
  // A size that cannot hold the header and a terminator, or an absurd one,
  // is no answer.
  if (required < platform::kDeviceInterfaceDetailHeaderSize || required > 65536) return false;
  std::vector<std::uint8_t> detail(required, 0);
  const std::uint32_t header = platform::kDeviceInterfaceDetailHeaderSize;
  std::memcpy(detail.data(), &header, sizeof header);
  if (interfaces.get_interface_detail(set, data, detail.data(), required, nullptr) !=
      platform::kErrorSuccess)
    return false;
  const std::size_t characters =
      (required - platform::kDeviceInterfaceDetailPathOffset) / sizeof(char16_t);
  std::u16string text(characters, u'\0');
  std::memcpy(text.data(), detail.data() + platform::kDeviceInterfaceDetailPathOffset,
              characters * sizeof(char16_t));
  text.resize(platform::bounded_length(text.data(), characters));
  // Anything shorter than the "\\?\" in front is no device path.
  if (text.size() <= 4) return false;
  *path = std::move(text);
  return true;
}

bool FindPrinterDevice(const UsbPorts& platform, std::uint16_t vendorId, std::uint16_t productId,
                       const char16_t* driver_key, char16_t* path, std::size_t path_capacity,
                       char16_t* prefix, std::size_t prefix_capacity) {
  std::u16string id, name;
  if (!FindInstanceByDriverKey(platform, vendorId, productId, UsbText(driver_key), &id, &name))
    return false;
  ReadParentIdPrefix(platform, id.c_str(), name.c_str(), prefix, prefix_capacity);
  return FindUsbPrintPath(platform, id.c_str(), path, path_capacity);
}

bool FindReaderInstance(const UsbPorts& platform, std::uint16_t vendorId, std::uint16_t productId,
                        const char16_t* driver_key, char16_t* name, std::size_t capacity) {
  std::u16string id, instance;
  if (!FindInstanceByDriverKey(platform, vendorId, productId, UsbText(driver_key), &id, &instance))
    return false;
  if (vendorId == 0x076B && productId == 0x5127) {
    // The composite reader: its interface-0 child is the reader.
    ScopedRegKey children(platform.registry);
    if (!OpenHklm(platform, UsbDevicesKey(vendorId, productId) + u"&MI_00", children) ||
        platform.registry.enum_subkey(children.get(), 0, &instance) != platform::kErrorSuccess)
      return false;
  }
  platform::copy_truncated(name, capacity, instance);
  return true;
}

bool FindUsbPortName(const UsbPorts& platform, const char16_t* prefix_text, char16_t* portName,
                     std::size_t capacity) {
  const std::u16string_view prefix = UsbText(prefix_text);
  ScopedRegKey usbprint(platform.registry);
  if (!OpenHklm(platform, kUsbPrintEnumPath, usbprint)) return false;
  std::u16string model;
  for (std::uint32_t m = 0;
       !prefix.empty() &&
       platform.registry.enum_subkey(usbprint.get(), m, &model) == platform::kErrorSuccess;
       ++m) {
    ScopedRegKey children(platform.registry);
    const std::u16string model_path = platform::format(u"%s\\%s", {kUsbPrintEnumPath, model});
    if (!OpenHklm(platform, model_path, children)) continue;
    std::u16string child;
    for (std::uint32_t c = 0;
         platform.registry.enum_subkey(children.get(), c, &child) == platform::kErrorSuccess; ++c) {
      if (!platform::starts_with_ignore_ascii_case(child, prefix)) continue;
      children.reset();
      usbprint.reset();
      std::u16string port;
      if (ReadHklmText(platform,
                       platform::format(u"%s\\%s\\Device Parameters", {model_path, child}),
                       u"PortName", 1024, &port))
        platform::copy_truncated(portName, capacity, port);
      return true;
    }
  }
  platform::copy_truncated(portName, capacity, kFallbackPortName);
  return false;
}

void QueryPrinterId(const UsbPorts& platform, const char16_t* devicePath, const char16_t* lockName,
                    const char16_t* queue_name, char16_t* id, std::size_t capacity) {
  if (id == nullptr || capacity == 0) return;
  std::memset(id, 0, capacity * sizeof(char16_t));
  // The registry value goes in as it is, cut so that the id stays terminated.
  const std::size_t max_bytes = std::min<std::size_t>(1024, (capacity - 1) * sizeof(char16_t));
  ScopedRegKey key(platform.registry);
  platform::RegistryValue value;
  if (OpenHklm(platform, DriverDataKey(queue_name), key) &&
      platform.registry.query_value(key.get(), u"PrinterID", 1024, &value) ==
          platform::kErrorSuccess) {
    std::memcpy(id, value.data.data(), std::min(max_bytes, value.data.size()) & ~std::size_t{1});
    return;
  }
  key.reset();
  std::uint8_t answer[kPrinterAnswerCapacity] = {};
  std::uint32_t returned = 0;
  if (!AskPrinter(platform, devicePath, lockName, kReadPrinterIdRequest,
                  sizeof kReadPrinterIdRequest, answer, &returned))
    return;
  // Each answer byte is one character, sign-extended as the printer's
  // firmware sends them.
  for (std::size_t i = 0; i < kPrinterIdAnswerBytes && i + 1 < capacity; ++i) {
    const auto byte = static_cast<std::int8_t>(PrinterAnswerByte(answer, returned, i));
    id[i] = static_cast<char16_t>(static_cast<std::int16_t>(byte));
  }
}

int QueryPrinterStatusFlag(const UsbPorts& platform, const char16_t* devicePath,
                           const char16_t* lockName, const char16_t* queue_name) {
  std::uint8_t status[64] = {};
  if (ReadHklmValue(platform, DriverDataKey(queue_name), u"PrinterStatus", status, sizeof status))
    return (status[kPrinterStatusByte] & kPrinterStatusFlag) != 0 ? 0x80 : 0;
  std::uint8_t answer[kPrinterAnswerCapacity] = {};
  std::uint32_t returned = 0;
  if (!AskPrinter(platform, devicePath, lockName, kReadPrinterStatusRequest,
                  sizeof kReadPrinterStatusRequest, answer, &returned))
    return 0;
  return (PrinterAnswerByte(answer, returned, kPrinterStatusByte) & kPrinterStatusFlag) != 0 ? 1
                                                                                             : 0;
}

}  // namespace pelmora
