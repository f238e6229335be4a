#include "platform_sim/sim_plug_and_play.h"

#include "platform/util/format.h"
#include "platform/util/text.h"
#include "platform_sim/inf_reader.h"

namespace platform::sim {

namespace {

constexpr char16_t kRootHub[] = u"root";
constexpr int kRootHubPorts = 8;

std::u16string hex4(std::uint32_t value) { return format(u"%04X", {value}); }

}  // namespace

SimPlugAndPlay::SimPlugAndPlay(SimUsbMachine& usb, SimDevices& devices, SimSpooler& spooler,
                               SimShell& shell, const SimSystemInfo& system)
    : usb_(usb), devices_(devices), spooler_(spooler), shell_(shell), system_(system) {}

SimUsbDevice& SimPlugAndPlay::plug_printer(std::uint16_t product, const UsbPrintModel& ids,
                                           std::u16string_view serial) {
  bool has_root = false;
  for (const auto& hub : usb_.hubs) has_root = has_root || hub.label == kRootHub;
  if (!has_root) {
    SimUsbHub hub;
    hub.label = kRootHub;
    hub.ports = kRootHubPorts;
    usb_.hubs.push_back(hub);
  }
  int port = 1;
  for (const auto& device : usb_.devices)
    if (device.hub == kRootHub && device.port >= port) port = device.port + 1;
  SimUsbDevice device;
  device.kind = SimUsbKind::Printer;
  device.hub = kRootHub;
  device.port = port;
  device.vendor = 0x0016;
  device.product = product;
  device.instance = std::u16string(serial);
  device.usbprint_model = to_utf16(ids.device_id);
  usb_.devices.push_back(device);
  Plugged plugged;
  plugged.device = usb_.devices.size() - 1;
  plugged.hardware_ids = {to_utf16(ids.hardware_id), to_utf16(ids.device_id)};
  plugged_.push_back(std::move(plugged));
  return usb_.devices.back();
}

void SimPlugAndPlay::reenumerate(std::uint32_t flags) {
  for (auto& printer : plugged_) {
    SimUsbDevice& device = usb_.devices[printer.device];
    if (!device.connected || printer.installed) continue;
    if (!printer.enumerated) {
      printer.enumerated = true;
      const std::u16string ids = u"VID_" + hex4(device.vendor) + u"&PID_" + hex4(device.product);
      devices_.add_node({to_utf8(u"USB\\" + ids + u"\\" + device.instance),
                         {to_utf8(u"USB\\" + ids + u"&REV_0100"), to_utf8(u"USB\\" + ids)},
                         true});
      devices_.add_node(
          {to_utf8(printer.hardware_ids.front() + u"\\7&" + device.instance + u"&0&USB"),
           {to_utf8(printer.hardware_ids[0]), to_utf8(printer.hardware_ids[1])},
           true});
      install(printer);
    } else if (flags & kCmReenumerateRetryInstallation) {
      install(printer);
    }
  }
}

bool SimPlugAndPlay::install(Plugged& printer) {
  const bool windows64 = system_.wow64 || system_.process_64bit;
  const std::u16string decoration = windows64 ? u"NTAMD64" : u"NTX86";
  const std::u16string inf_folder = shell_.windows_folder + u"\\INF";
  for (const auto& path : shell_.list_files(inf_folder)) {
    const std::u16string name = path.substr(path.rfind(u'\\') + 1);
    if (!starts_with_ignore_ascii_case(name, u"oem")) continue;
    const InfFile inf = InfFile::parse(shell_.file_contents(path));
    const auto* manufacturers = inf.section(u"Manufacturer");
    if (!manufacturers) continue;
    for (const auto& maker : *manufacturers) {
      if (maker.fields.empty()) continue;
      // The section decorated for this architecture, else the plain one.
      std::u16string section = maker.fields[0];
      for (std::size_t i = 1; i < maker.fields.size(); ++i)
        if (equals_ignore_ascii_case(maker.fields[i], decoration))
          section = maker.fields[0] + u"." + maker.fields[i];
      const auto* models = inf.section(section);
      if (!models) continue;
      for (const auto& line : *models) {
        // A model line lists its install section, then hardware and
        // compatible ids; any of them matching any id of the node will do.
        bool matches = false;
        for (std::size_t i = 1; i < line.fields.size(); ++i)
          for (const auto& id : printer.hardware_ids)
            matches = matches || equals_ignore_ascii_case(line.fields[i], id);
        if (line.key.empty() || !matches) continue;
        SimUsbDevice& device = usb_.devices[printer.device];
        const std::u16string port = format(u"USB%03d", {next_port_++});
        spooler_.add_local_port(port);
        const std::u16string environment = windows64 ? kEnvironmentX64 : kEnvironmentX86;
        if (!spooler_.has_driver_in(line.key, environment))
          spooler_.add_driver(line.key, environment);
        if (!spooler_.has_queue(line.key)) spooler_.add_queue({line.key, port, line.key, 0, 0});
        device.queue = line.key;
        device.port_name = port;
        printer.installed = true;
        printer.inf = name;
        return true;
      }
    }
  }
  return false;
}

}  // namespace platform::sim
