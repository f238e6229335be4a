// The registry and spooler views of a USB machine: what Plug and Play, the
// printing class and the reader drivers leave behind on Windows.
#include <map>

#include "platform/registry.h"
#include "platform/util/format.h"
#include "platform/util/text.h"
#include "usb_layouts.h"
#include "usb_machine.h"

namespace usb_machine {

using namespace platform;

namespace {
constexpr char16_t kEnumUsb[] = u"SYSTEM\\CurrentControlSet\\Enum\\USB";
constexpr char16_t kEnumUsbPrint[] = u"SYSTEM\\CurrentControlSet\\Enum\\USBPRINT";
constexpr char16_t kServices[] = u"SYSTEM\\CurrentControlSet\\Services";
constexpr char16_t kPrinters[] = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";

// The values in Windows' byte order (usb_layouts.h holds the machine to it).
// A REG_SZ ends with its terminating zero, as Windows' own tools write it.
void put_string(DeviceKeys& keys, std::u16string_view key, std::u16string_view name,
                std::u16string_view text) {
  std::u16string with_zero(text);
  with_zero.push_back(0);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(with_zero.data());
  keys.put_value(key, name, kRegSz, {bytes, bytes + with_zero.size() * sizeof(char16_t)});
}

void put_dword(DeviceKeys& keys, std::u16string_view key, std::u16string_view name,
               std::uint32_t value) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
  keys.put_value(key, name, kRegDword, {bytes, bytes + sizeof value});
}

std::u16string fold_service(std::u16string_view name) {
  std::u16string out(name);
  for (auto& c : out) c = ascii_upper(c);
  return out;
}

std::u16string spooler_queue_key(std::u16string_view queue) {
  return std::u16string(kPrinters) + u"\\" + std::u16string(queue);
}
}  // namespace

void UsbMachine::install(DeviceKeys& keys) const {
  std::map<std::u16string, std::vector<std::u16string>> service_devices;
  std::vector<std::u16string> service_order;
  for (const auto& d : devices) {
    const std::u16string node =
        format(u"%s\\VID_%04X&PID_%04X\\%s", {kEnumUsb, d.vendor, d.product, d.instance});
    put_string(keys, node, u"Driver", d.driver_key);
    if (d.has_parent_id_prefix) put_string(keys, node, u"ParentIdPrefix", d.parent_id_prefix);
    if (d.kind == UsbKind::Reader) {
      if (!d.interface_child.empty()) {
        const std::u16string child = format(u"%s\\VID_%04X&PID_%04X&MI_00\\%s",
                                            {kEnumUsb, d.vendor, d.product, d.interface_child});
        put_string(keys, child, u"Driver", d.driver_key + u"-0");
      }
      const std::u16string service = fold_service(d.service);
      if (!service_devices.count(service)) service_order.push_back(d.service);
      service_devices[service].push_back(d.enum_id);
    }
    if (d.kind != UsbKind::Printer) continue;
    if (!d.port_name.empty()) {
      put_string(
          keys,
          format(u"%s\\%s\\%s\\Device Parameters", {kEnumUsbPrint, d.usbprint_model, d.port_child}),
          u"PortName", d.port_name);
    }
    if (!d.queue.empty()) {
      PrinterInfo2 info;
      info.printer_name = d.queue;
      info.port_name = d.port_name.empty() ? u"USB001" : d.port_name;
      info.driver_name = d.queue;
      keys.add_queue(info);
      put_string(keys, spooler_queue_key(d.queue) + u"\\PnPData", u"DeviceInstanceId",
                 d.queue_instance);
      const std::u16string driver_data = spooler_queue_key(d.queue) + u"\\PrinterDriverData";
      if (d.registry_id) put_string(keys, driver_data, u"PrinterID", *d.registry_id);
      if (d.registry_status)
        keys.put_value(driver_data, u"PrinterStatus", kRegBinary, *d.registry_status);
    }
  }
  // The printing class key exists once any printer was ever installed.
  bool any_printer = false;
  for (const auto& d : devices) any_printer = any_printer || d.kind == UsbKind::Printer;
  if (any_printer) keys.make_key(kEnumUsbPrint);

  for (const auto& name : service_order) {
    const auto& ids = service_devices[fold_service(name)];
    const std::u16string key = format(u"%s\\%s\\Enum", {kServices, name});
    put_dword(keys, key, u"Count", static_cast<std::uint32_t>(ids.size()));
    for (std::size_t i = 0; i < ids.size(); ++i) put_string(keys, key, format(u"%d", {i}), ids[i]);
  }
  for (const auto& name : bare_services) keys.make_key(format(u"%s\\%s", {kServices, name}));
}

}  // namespace usb_machine
