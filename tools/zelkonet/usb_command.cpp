//   zelkonet usb list [--machine FILE]
//   zelkonet usb query PRINTER_ID [PORT] [--machine FILE]
//
// --machine replays a USB machine (hubs, printers, readers, PC/SC names,
// held locks) from a machine file (tools/support/machine_file.h, the
// statements in docs/tools.md); on Linux it is the only machine there is. On
// Windows, without it, the search runs on the machine's own USB devices.
#include "usb_command.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "machine_file.h"
#include "platform/util/text.h"
#include "printer_access/search_usb.h"
#include "replayed_machine.h"
#include "report.h"
#ifdef _WIN32
#include "platform_win32/win32_windows.h"
#endif

namespace zelkonet {

namespace {

constexpr std::size_t kMaxMachineFile = 1 << 20;

int usage() {
  std::fprintf(stderr,
               "usage: zelkonet usb list [--machine FILE]\n"
               "       zelkonet usb query PRINTER_ID [PORT] [--machine FILE]\n");
  return 2;
}

bool load_machine(const std::string& file, ReplayedMachine& machine) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "zelkonet: cannot read %s\n", file.c_str());
    return false;
  }
  std::string text;
  char chunk[4096];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    text.append(chunk, static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxMachineFile) {
      std::fprintf(stderr, "zelkonet: %s is larger than 1 MiB\n", file.c_str());
      return false;
    }
  }
  std::string description;
  std::string error;
  std::vector<usb_machine::UsbLock> locks;
  if (!machine_file::read_description(text, &description, &error) ||
      !usb_machine::parse_usb_machine(description, &machine.usb, &locks, &error)) {
    std::fprintf(stderr, "zelkonet: %s: %s\n", file.c_str(), error.c_str());
    return false;
  }
  machine.usb.install(machine.registry);
  for (const auto& lock : locks)
    machine.usb.hold_event(u"Global\\ZELKO_IOCTL_" + lock.name, lock.held_ms);
  return true;
}

int list(const pelmora::UsbPorts& platform) {
  pelmora::PrinterList list{};
  list.count = 0;
  pelmora::CZelkoSearch(platform).ListUsbPrinters(&list);
  for (int i = 0; i < list.count; ++i) {
    const pelmora::PrinterListEntry& entry = list.entries[i];
    std::printf("%s   product id 0x%04X\n", text_of(entry.listLine).c_str(),
                static_cast<unsigned>(entry.productId));
  }
  std::printf("%d printer(s) on USB.\n", list.count);
  return 0;
}

int query(const pelmora::UsbPorts& platform, const std::string& id, const std::string* port) {
  pelmora::PrinterDetails details{};
  const std::u16string wanted = platform::to_utf16(id);
  const std::u16string wanted_port = port ? platform::to_utf16(*port) : std::u16string();
  if (!pelmora::CZelkoSearch(platform).FindUsbPrinter(&details, wanted.c_str(),
                                                      port ? wanted_port.c_str() : nullptr)) {
    std::fprintf(stderr, "zelkonet: printer %s is not on USB\n", id.c_str());
    return 1;
  }
  std::printf("Printer id:      %s\n", text_of(details.printerId).c_str());
  std::printf("Name:            %s\n", text_of(details.displayName).c_str());
  std::printf("Product id:      0x%04X\n", static_cast<unsigned>(details.productId));
  std::printf("USB port:        %s\n", text_of(details.usbPortName).c_str());
  std::printf("Device path:     %s\n", text_of(details.devicePath).c_str());
  std::printf("Report source:   %s\n",
              details.encoderInfoFromPrinter == 1
                  ? "the printer"
                  : "assembled from the status flag and the readers on the printer's hubs");
  print_report(details.encoderInfo);
  return 0;
}

}  // namespace

int run_usb_command(int argc, char** argv) {
  if (argc < 1) return usage();
  const std::string command = argv[0];
  std::string machine_file;
  std::vector<std::string> words;
  tool_support::CommandLine<char> line;
  line.option("--machine", [&](std::string_view file) {
    machine_file = file;
    return std::string();
  });
  line.words([&](std::string_view word) {
    words.emplace_back(word);
    return std::string();
  });
  if (!line.parse(std::vector<std::string>(argv + 1, argv + argc)).ok()) return usage();
  if (!((command == "list" && words.empty()) ||
        (command == "query" && !words.empty() && words.size() <= 2)))
    return usage();

  auto replayed = std::make_unique<ReplayedMachine>();
  const pelmora::UsbPorts* platform = &replayed->ports;
#ifdef _WIN32
  auto real = std::make_unique<platform_win32::Win32Windows>();
  const pelmora::UsbPorts real_ports(real->platform);
  if (machine_file.empty()) platform = &real_ports;
#else
  if (machine_file.empty()) {
    std::fprintf(stderr,
                 "zelkonet: there is no USB here; describe a machine with --machine FILE\n");
    return 2;
  }
#endif
  if (!machine_file.empty() && !load_machine(machine_file, *replayed)) return 1;
  if (command == "list") return list(*platform);
  return query(*platform, words[0], words.size() > 1 ? &words[1] : nullptr);
}

}  // namespace zelkonet
