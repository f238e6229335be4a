// The registry and spooler views of a simulated USB machine: what Plug and
// Play, the printing class and the reader drivers leave behind on Windows.
#include <map>

#include "platform/registry.h"
#include "platform/util/format.h"
#include "platform/util/text.h"
#include "platform_sim/sim_registry.h"
#include "platform_sim/sim_spooler.h"
#include "platform_sim/sim_usb_machine.h"

namespace platform::sim {

namespace {
constexpr char16_t kEnumUsb[] = u"SYSTEM\\CurrentControlSet\\Enum\\USB";
constexpr char16_t kEnumUsbPrint[] = u"SYSTEM\\CurrentControlSet\\Enum\\USBPRINT";
constexpr char16_t kServices[] = u"SYSTEM\\CurrentControlSet\\Services";

void create_key(SimRegistry& registry, std::u16string_view path) {
  RegKey key = 0;
  if (registry.create_key(kHkeyLocalMachine, path, kKeyAllAccess, &key) == kErrorSuccess)
    registry.close_key(key);
}

std::u16string fold_service(std::u16string_view name) {
  std::u16string out(name);
  for (auto& c : out) c = ascii_upper(c);
  return out;
}

std::u16string spooler_queue_key(std::u16string_view queue) {
  return std::u16string(kPrintersKey) + u"\\" + std::u16string(queue);
}
}  // namespace

void SimUsbMachine::install(SimRegistry& registry, SimSpooler& spooler) const {
  std::map<std::u16string, std::vector<std::u16string>> service_devices;
  std::vector<std::u16string> service_order;
  for (const auto& d : devices) {
    const std::u16string node =
        format(u"%s\\VID_%04X&PID_%04X\\%s", {kEnumUsb, d.vendor, d.product, d.instance});
    registry.put_string(kHkeyLocalMachine, node, u"Driver", d.driver_key);
    if (d.has_parent_id_prefix)
      registry.put_string(kHkeyLocalMachine, node, u"ParentIdPrefix", d.parent_id_prefix);
    if (d.kind == SimUsbKind::Reader) {
      if (!d.interface_child.empty()) {
        const std::u16string child = format(u"%s\\VID_%04X&PID_%04X&MI_00\\%s",
                                            {kEnumUsb, d.vendor, d.product, d.interface_child});
        registry.put_string(kHkeyLocalMachine, child, u"Driver", d.driver_key + u"-0");
      }
      const std::u16string service = fold_service(d.service);
      if (!service_devices.count(service)) service_order.push_back(d.service);
      service_devices[service].push_back(d.enum_id);
    }
    if (d.kind != SimUsbKind::Printer) continue;
    if (!d.port_name.empty()) {
      registry.put_string(
          kHkeyLocalMachine,
          format(u"%s\\%s\\%s\\Device Parameters", {kEnumUsbPrint, d.usbprint_model, d.port_child}),
          u"PortName", d.port_name);
    }
    if (!d.queue.empty()) {
      PrinterInfo2 info;
      info.printer_name = d.queue;
      info.port_name = d.port_name.empty() ? u"USB001" : d.port_name;
      info.driver_name = d.queue;
      spooler.add_queue(info);
      registry.put_string(kHkeyLocalMachine, spooler_queue_key(d.queue) + u"\\PnPData",
                          u"DeviceInstanceId", d.queue_instance);
      if (d.registry_id) spooler.set_driver_string(d.queue, u"PrinterID", *d.registry_id);
      if (d.registry_status)
        spooler.set_driver_data(d.queue, u"PrinterStatus", kRegBinary, *d.registry_status);
    }
  }
  // The printing class key exists once any printer was ever installed.
  bool any_printer = false;
  for (const auto& d : devices) any_printer = any_printer || d.kind == SimUsbKind::Printer;
  if (any_printer) create_key(registry, kEnumUsbPrint);

  for (const auto& name : service_order) {
    const auto& ids = service_devices[fold_service(name)];
    const std::u16string key = format(u"%s\\%s\\Enum", {kServices, name});
    registry.put_dword(kHkeyLocalMachine, key, u"Count", static_cast<std::uint32_t>(ids.size()));
    for (std::size_t i = 0; i < ids.size(); ++i)
      registry.put_string(kHkeyLocalMachine, key, format(u"%d", {i}), ids[i]);
  }
  for (const auto& name : bare_services) create_key(registry, format(u"%s\\%s", {kServices, name}));
}

}  // namespace platform::sim
