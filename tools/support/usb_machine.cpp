#include "usb_machine.h"

#include <algorithm>
#include <cstring>

#include "platform/util/format.h"
#include "platform/util/text.h"
#include "usb_layouts.h"

namespace usb_machine {

using namespace platform;

namespace {

std::u16string fold(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = ascii_upper(c);
  return out;
}

std::u16string lower(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return out;
}

// A path of either form ("\\?\..." from the interface list, "\\.\..." as the
// programs write it), compared as Windows compares object names.
std::u16string path_key(std::u16string_view path) {
  std::u16string key = fold(path);
  if (key.size() >= 4 && key[0] == u'\\' && key[1] == u'\\' && (key[2] == u'?' || key[2] == u'.') &&
      key[3] == u'\\')
    key[2] = u'?';
  return key;
}

void put16(std::uint8_t* at, std::uint16_t v) {
  at[0] = static_cast<std::uint8_t>(v & 0xFF);
  at[1] = static_cast<std::uint8_t>(v >> 8);
}

std::uint32_t get32(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
         static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

constexpr char16_t kHubClass[] = u"{f18a0e88-c30c-11d0-8815-00a0c906bed8}";
constexpr char16_t kPrintClass[] = u"{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";

// Counts down a "fail the first N calls" setting; -1 fails them all.
bool consume_failure(int& remaining) {
  if (remaining < 0) return true;
  if (remaining == 0) return false;
  --remaining;
  return true;
}

}  // namespace

UsbMachine::UsbMachine(Host& host) : host_(host) {}

int UsbMachine::hub_index(std::u16string_view label) const {
  for (std::size_t i = 0; i < hubs.size(); ++i)
    if (equals_ignore_ascii_case(hubs[i].label, label)) return static_cast<int>(i);
  return -1;
}

UsbDevice* UsbMachine::device_at(std::u16string_view hub, int port) {
  for (auto& d : devices)
    if (d.port == port && equals_ignore_ascii_case(d.hub, hub)) return &d;
  return nullptr;
}

bool UsbMachine::complete(std::string* error) {
  for (std::size_t i = 0; i < hubs.size(); ++i)
    if (hub_index(hubs[i].label) != static_cast<int>(i)) {
      *error = "two hubs named " + to_utf8(hubs[i].label);
      return false;
    }
  int number = 0;
  for (auto& device : devices) {
    ++number;
    const int hub = hub_index(device.hub);
    if (hub < 0) {
      *error = "device " + std::to_string(number) + " is on an unknown hub " + to_utf8(device.hub);
      return false;
    }
    if (device.port < 1 || device.port > hubs[hub].ports) {
      *error = "device " + std::to_string(number) + " is on port " + std::to_string(device.port) +
               " of a hub with " + std::to_string(hubs[hub].ports) + " ports";
      return false;
    }
    for (auto& other : devices) {
      if (&other != &device && other.port == device.port &&
          equals_ignore_ascii_case(other.hub, device.hub)) {
        *error = "two devices at " + to_utf8(device.hub) + ":" + std::to_string(device.port);
        return false;
      }
      if (&other == &device) break;
    }
    if (device.instance.empty())
      device.instance =
          format(u"5&%x&0&%d", {0x1A2B3C0u + static_cast<unsigned>(hub), device.port});
    if (device.driver_key.empty())
      device.driver_key = format(u"{36FC9E60-C465-11CF-8056-444553540000}\\%04d", {number});
    if (device.has_parent_id_prefix && device.parent_id_prefix.empty())
      device.parent_id_prefix = format(u"7&%x&0", {0x2C3D4E0u + static_cast<unsigned>(number)});
    const std::u16string prefix =
        device.has_parent_id_prefix ? device.parent_id_prefix : device.instance;
    if (device.kind == UsbKind::Printer) {
      if (device.port_child.empty())
        device.port_child =
            prefix + u"&" + (device.port_name.empty() ? u"USB001" : device.port_name);
      if (device.queue_instance.empty())
        device.queue_instance = u"USBPRINT\\" + device.usbprint_model + u"\\" + device.port_child;
    }
    if (device.kind == UsbKind::Reader && device.enum_id.empty()) {
      if (device.vendor == 0x076B && device.product == 0x5127) {
        if (device.interface_child.empty()) device.interface_child = prefix + u"&0";
        device.enum_id = format(u"USB\\VID_%04X&PID_%04X&MI_00\\%s",
                                {device.vendor, device.product, device.interface_child});
      } else {
        device.enum_id =
            format(u"USB\\VID_%04X&PID_%04X\\%s", {device.vendor, device.product, device.instance});
      }
    }
  }
  for (auto& hub : hubs) {
    if (!hub.symbolic_name.empty()) continue;
    const UsbDevice* at_port = nullptr;
    for (const auto& d : devices)
      if (d.kind == UsbKind::Hub && equals_ignore_ascii_case(d.hub_label, hub.label)) at_port = &d;
    if (at_port != nullptr) {
      hub.symbolic_name = format(u"USB#VID_%04X&PID_%04X#%s#%s",
                                 {at_port->vendor, at_port->product, at_port->instance, kHubClass});
    } else {
      hub.symbolic_name = format(u"USB#ROOT_HUB20#4&%s&0#%s", {hub.label, kHubClass});
    }
  }
  return true;
}

std::u16string UsbMachine::interface_path(const UsbDevice& device) const {
  return u"\\\\?\\" + lower(format(u"usb#vid_%04x&pid_%04x#%s#%s",
                                   {device.vendor, device.product, device.instance, kPrintClass}));
}

std::u16string UsbMachine::hub_path(const UsbHub& hub) const {
  return u"\\\\?\\" + hub.symbolic_name;
}

// --- Device files ---

Win32Error UsbMachine::create_file(std::u16string_view path, std::uint32_t /*access*/,
                                   std::uint32_t share_mode, std::uint32_t creation, std::uint32_t,
                                   DeviceHandle* handle) {
  *handle = kInvalidDeviceHandle;
  if (auto e = host_.fault("CreateFileW", path)) return e;
  std::lock_guard lock(mutex_);
  if (creation != kOpenExisting) return kErrorInvalidParameter;
  const std::u16string key = path_key(path);
  OpenFile file;
  for (std::size_t i = 0; i < hubs.size() && file.hub < 0; ++i)
    if (hubs[i].present && path_key(hub_path(hubs[i])) == key) file.hub = static_cast<int>(i);
  for (std::size_t i = 0; i < devices.size() && file.hub < 0 && file.device < 0; ++i) {
    const auto& d = devices[i];
    if (d.kind == UsbKind::Printer && d.started() && d.has_interface &&
        path_key(interface_path(d)) == key)
      file.device = static_cast<int>(i);
  }
  if (file.hub < 0 && file.device < 0) return kErrorFileNotFound;
  if (file.device >= 0) {
    UsbDevice& printer = devices[file.device];
    if (printer.held_open_elsewhere) return kErrorSharingViolation;
    for (const auto& [h, open] : files_)
      if (open.device == file.device && (open.share_mode == 0 || share_mode == 0))
        return kErrorSharingViolation;
    ++printer.opens;
  }
  file.share_mode = share_mode;
  *handle = next_file_;
  next_file_ += 4;
  files_[*handle] = file;
  return kErrorSuccess;
}

Win32Error UsbMachine::close_handle(DeviceHandle device) {
  std::lock_guard lock(mutex_);
  return files_.erase(device) ? kErrorSuccess : kErrorInvalidHandle;
}

Win32Error UsbMachine::device_io_control(DeviceHandle device, std::uint32_t code, const void* input,
                                         std::uint32_t input_length, void* output,
                                         std::uint32_t output_capacity, std::uint32_t* returned) {
  *returned = 0;
  if (auto e = host_.fault("DeviceIoControl", format(u"%X", {code}))) return e;
  std::lock_guard lock(mutex_);
  auto it = files_.find(device);
  if (it == files_.end()) return kErrorInvalidHandle;
  const auto* in = static_cast<const std::uint8_t*>(input);
  auto* out = static_cast<std::uint8_t*>(output);
  if ((in == nullptr && input_length > 0) || (out == nullptr && output_capacity > 0))
    return kErrorInvalidParameter;
  if (it->second.hub >= 0)
    return hub_request(hubs[it->second.hub], code, in, input_length, out, output_capacity,
                       returned);
  return printer_request(devices[it->second.device], code, in, input_length, out, output_capacity,
                         returned);
}

Win32Error UsbMachine::hub_request(const UsbHub& hub, std::uint32_t code, const std::uint8_t* in,
                                   std::uint32_t in_length, std::uint8_t* out,
                                   std::uint32_t capacity, std::uint32_t* returned) {
  if (code == layout::kGetNodeInformation) {
    layout::UsbNodeInformation node{};
    if (capacity < sizeof node) return kErrorInsufficientBuffer;
    node.NodeType = layout::kUsbHub;
    auto& descriptor = node.u.HubInformation.HubDescriptor;
    descriptor.bDescriptorLength = 9;
    descriptor.bDescriptorType = layout::kHubDescriptorType;
    descriptor.bNumberOfPorts = static_cast<std::uint8_t>(hub.ports);
    std::memcpy(out, &node, sizeof node);
    *returned = sizeof node;
    return kErrorSuccess;
  }
  const bool information = code == layout::kGetNodeConnectionInformation ||
                           code == layout::kGetNodeConnectionInformationEx;
  if (!information && code != layout::kGetNodeConnectionName &&
      code != layout::kGetNodeConnectionDriverkeyName &&
      code != layout::kGetDescriptorFromNodeConnection)
    return kErrorInvalidParameter;
  std::uint32_t port = 0;
  if (in_length < sizeof port) return kErrorInvalidParameter;
  std::memcpy(&port, in, sizeof port);
  if (port < 1 || port > static_cast<std::uint32_t>(hub.ports)) return kErrorInvalidParameter;
  UsbDevice* device = nullptr;
  for (auto& d : devices)
    if (d.port == static_cast<int>(port) && equals_ignore_ascii_case(d.hub, hub.label)) device = &d;
  if (device != nullptr && !device->connected) device = nullptr;
  if (device != nullptr) device->hub_requests.push_back(code);
  // A device the hub did not get through enumeration has no descriptor the
  // hub could give, no node and so no driver key, and no hub behind it.
  const bool started = device != nullptr && device->started();
  const bool descriptor_read =
      started ||
      (device != nullptr && (device->connection_status == layout::DeviceNotEnoughPower ||
                             device->connection_status == layout::DeviceNotEnoughBandwidth ||
                             device->connection_status == layout::DeviceHubNestedTooDeeply ||
                             device->connection_status == layout::DeviceInLegacyHub));

  layout::UsbDeviceDescriptor descriptor{};
  if (descriptor_read) {
    descriptor.bLength = sizeof descriptor;
    descriptor.bDescriptorType = layout::kDeviceDescriptorType;
    descriptor.bcdUSB = 0x0200;
    descriptor.bDeviceClass = device->kind == UsbKind::Hub ? 9 : 0;
    descriptor.bMaxPacketSize0 = 64;
    descriptor.idVendor = device->vendor;
    descriptor.idProduct = device->product;
    descriptor.bcdDevice = 0x0100;
    descriptor.bNumConfigurations = 1;
  }

  if (information) {
    layout::UsbNodeConnectionInformation connection{};
    if (capacity < sizeof connection) return kErrorInsufficientBuffer;
    connection.ConnectionIndex = port;
    connection.ConnectionStatus =
        device == nullptr ? layout::NoDeviceConnected : device->connection_status;
    connection.DeviceDescriptor = descriptor;
    if (device != nullptr) connection.DeviceIsHub = device->kind == UsbKind::Hub ? 1 : 0;
    if (started) {
      connection.CurrentConfigurationValue = 1;
      connection.DeviceAddress = static_cast<std::uint16_t>(port + 1);
      if (code == layout::kGetNodeConnectionInformationEx)
        connection.LowSpeed =
            device->kind == UsbKind::Hub ? layout::kUsbHighSpeed : layout::kUsbFullSpeed;
    }
    std::memcpy(out, &connection, sizeof connection);
    *returned = sizeof connection;
    return kErrorSuccess;
  }

  if (!started) return kErrorInvalidParameter;
  if (code == layout::kGetDescriptorFromNodeConnection) {
    // The device descriptor only (wValue: type 1 in its high byte, index 0).
    layout::UsbDescriptorRequest request{};
    if (in_length < sizeof request || capacity < sizeof request) return kErrorInvalidParameter;
    std::memcpy(&request, in, sizeof request);
    if (request.SetupPacket.wValue != layout::kDeviceDescriptorType << 8) return kErrorGenFailure;
    const std::uint32_t length = std::min<std::uint32_t>(
        {request.SetupPacket.wLength, static_cast<std::uint32_t>(sizeof descriptor),
         static_cast<std::uint32_t>(capacity - sizeof request)});
    std::memcpy(out, &request, sizeof request);
    std::memcpy(out + sizeof request, &descriptor, length);
    *returned = static_cast<std::uint32_t>(sizeof request + length);
    return kErrorSuccess;
  }

  // Names: the connection name only for a hub at the port.
  std::u16string name;
  if (code == layout::kGetNodeConnectionDriverkeyName) {
    name = device->driver_key;
  } else {
    if (device->kind != UsbKind::Hub) return kErrorInvalidParameter;
    const int index = hub_index(device->hub_label);
    if (index < 0) return kErrorInvalidParameter;
    name = hubs[index].symbolic_name;
  }
  layout::UsbNodeConnectionNameHead head{};
  head.ConnectionIndex = port;
  head.ActualLength =
      static_cast<std::uint32_t>(sizeof head + (name.size() + 1) * sizeof(char16_t));
  if (capacity < layout::kNodeConnectionNameDeclaredSize) return kErrorInsufficientBuffer;
  // Too small for the name: Windows answers with the length it needs only.
  std::memset(out, 0, std::min<std::uint32_t>(capacity, head.ActualLength));
  std::memcpy(out, &head, sizeof head);
  if (capacity >= head.ActualLength) {
    std::memcpy(out + sizeof head, name.data(), name.size() * sizeof(char16_t));
    *returned = head.ActualLength;
  } else {
    *returned = static_cast<std::uint32_t>(sizeof head);
  }
  return kErrorSuccess;
}

Win32Error UsbMachine::printer_request(UsbDevice& printer, std::uint32_t code,
                                       const std::uint8_t* in, std::uint32_t in_length,
                                       std::uint8_t* out, std::uint32_t capacity,
                                       std::uint32_t* returned) {
  if (code != layout::kUsbprintVendorGetCommand && code != layout::kUsbprintVendorSetCommand)
    return kErrorInvalidParameter;
  if (in_length < 3) return kErrorInvalidParameter;
  printer.requests.emplace_back(in, in + in_length);
  host_.advance_to(host_.now_ms() + printer.answer_ms);
  if (code == layout::kUsbprintVendorSetCommand) return kErrorSuccess;
  const std::optional<std::vector<std::uint8_t>>* answer = nullptr;
  if (in[0] == 0xF0 && in[1] == 0x01 && in[2] == 0x01) answer = &printer.encoder_answer;
  if (in[0] == 0x50 && in[1] == 0x06 && in[2] == 0x00) answer = &printer.id_answer;
  if (in[0] == 0x00 && in[1] == 0x00 && in[2] == 0x00) answer = &printer.status_answer;
  if (answer == nullptr || !answer->has_value()) return kErrorGenFailure;
  const auto& bytes = **answer;
  const std::size_t n = std::min<std::size_t>(bytes.size(), capacity);
  if (n > 0) std::memcpy(out, bytes.data(), n);
  *returned = static_cast<std::uint32_t>(n);
  return kErrorSuccess;
}

std::size_t UsbMachine::open_device_handles() const {
  std::lock_guard lock(mutex_);
  return files_.size();
}

// --- Device-interface lists ---

Win32Error UsbMachine::get_class_devs(const Guid& interface_class, std::uint32_t flags,
                                      DevInfoSet* set) {
  *set = kInvalidDevInfoSet;
  if (auto e = host_.fault("SetupDiGetClassDevsW", {})) return e;
  std::lock_guard lock(mutex_);
  if ((flags & kDigcfDeviceInterface) == 0) return kErrorInvalidFlags;
  std::vector<std::u16string> paths;
  if (interface_class == kGuidDevinterfaceUsbHub) {
    for (const auto& hub : hubs)
      if (hub.present) paths.push_back(hub_path(hub));
  } else if (interface_class == kGuidDevinterfaceUsbPrint) {
    for (const auto& d : devices)
      if (d.kind == UsbKind::Printer && d.started() && d.has_interface)
        paths.push_back(interface_path(d));
  }
  *set = next_set_;
  next_set_ += 4;
  sets_[*set] = std::move(paths);
  return kErrorSuccess;
}

Win32Error UsbMachine::enum_interface(DevInfoSet set, const Guid&, std::uint32_t index,
                                      DeviceInterfaceData* data) {
  if (auto e = host_.fault("SetupDiEnumDeviceInterfaces", {})) return e;
  std::lock_guard lock(mutex_);
  auto it = sets_.find(set);
  if (it == sets_.end()) return kErrorInvalidHandle;
  if (index >= it->second.size()) return kErrorNoMoreItems;
  std::memset(data->storage, 0, sizeof data->storage);
  std::memcpy(data->storage, &index, sizeof index);
  return kErrorSuccess;
}

Win32Error UsbMachine::get_interface_detail(DevInfoSet set, const DeviceInterfaceData& data,
                                            void* detail, std::uint32_t detail_size,
                                            std::uint32_t* required_size) {
  if (auto e = host_.fault("SetupDiGetDeviceInterfaceDetailW", {})) return e;
  std::lock_guard lock(mutex_);
  auto it = sets_.find(set);
  if (it == sets_.end()) return kErrorInvalidHandle;
  std::uint32_t index = 0;
  std::memcpy(&index, data.storage, sizeof index);
  if (index >= it->second.size()) return kErrorInvalidParameter;
  const std::u16string& path = it->second[index];
  const auto needed = static_cast<std::uint32_t>(kDeviceInterfaceDetailPathOffset +
                                                 (path.size() + 1) * sizeof(char16_t));
  if (required_size != nullptr) *required_size = needed;
  if (detail == nullptr)
    return detail_size == 0 ? kErrorInsufficientBuffer : kErrorInvalidUserBuffer;
  auto* bytes = static_cast<std::uint8_t*>(detail);
  if (detail_size < kDeviceInterfaceDetailHeaderSize ||
      get32(bytes) != kDeviceInterfaceDetailHeaderSize)
    return kErrorInvalidUserBuffer;
  if (detail_size < needed) return kErrorInsufficientBuffer;
  for (std::size_t i = 0; i <= path.size(); ++i)
    put16(bytes + kDeviceInterfaceDetailPathOffset + 2 * i,
          i < path.size() ? static_cast<std::uint16_t>(path[i]) : 0);
  return kErrorSuccess;
}

Win32Error UsbMachine::destroy_list(DevInfoSet set) {
  std::lock_guard lock(mutex_);
  return sets_.erase(set) ? kErrorSuccess : kErrorInvalidHandle;
}

std::size_t UsbMachine::open_device_sets() const {
  std::lock_guard lock(mutex_);
  return sets_.size();
}

// --- Smart cards ---

ScardResult UsbMachine::establish_context(std::uint32_t scope, ScardContext* context) {
  *context = 0;
  std::lock_guard lock(mutex_);
  ++context_attempts_;
  if (scope != kScardScopeSystem && scope != kScardScopeUser) return kScardEInvalidParameter;
  if (consume_failure(pcsc_context_failures)) return kScardENoService;
  *context = next_context_;
  next_context_ += 4;
  contexts_[*context] = true;
  return kScardSuccess;
}

ScardResult UsbMachine::list_readers(ScardContext context, char16_t* readers,
                                     std::uint32_t* length) {
  std::lock_guard lock(mutex_);
  ++list_calls_;
  if (contexts_.count(context) == 0 || length == nullptr) return kScardEInvalidParameter;
  if (consume_failure(pcsc_list_failures)) return kScardENoService;
  if (pcsc_readers.empty()) return kScardENoReadersAvailable;
  std::u16string list;
  for (const auto& name : pcsc_readers) {
    list += name;
    list.push_back(0);
  }
  list.push_back(0);
  const auto needed = static_cast<std::uint32_t>(list.size());
  if (readers == nullptr || *length < needed) {
    *length = needed;
    return readers == nullptr ? kScardSuccess : kScardEInsufficientBuffer;
  }
  std::copy(list.begin(), list.end(), readers);
  *length = needed;
  return kScardSuccess;
}

ScardResult UsbMachine::release_context(ScardContext context) {
  std::lock_guard lock(mutex_);
  return contexts_.erase(context) ? kScardSuccess : kScardEInvalidParameter;
}

std::size_t UsbMachine::open_contexts() const {
  std::lock_guard lock(mutex_);
  return contexts_.size();
}

}  // namespace usb_machine
