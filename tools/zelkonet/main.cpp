// zelkonet: finds the network card printers that answer the discovery and
// reads a printer's encoder report, with the installer's own network search.
//
//   zelkonet list [options]
//   zelkonet query PRINTER_ID [ADDRESS] [options]
//   zelkonet local-address
//   zelkonet usb list [--machine FILE]
//   zelkonet usb query PRINTER_ID [PORT] [--machine FILE]
//
// local-address prints the reply address the installer announces: the first
// IPv4 address of this host's name.
//
// Options (the defaults are the installer's):
//   --broadcast ADDR      where a request without ADDRESS goes (255.255.255.255)
//   --local ADDR          reply address announced to the printers (the first
//                         address of this host's name)
//   --discovery-port N    printers' discovery port (11119)
//   --admin-port N        printers' administration port (11111)
//   --window-ms N         listening window in milliseconds (500)
//   --timeout-ms N        limit of each administration channel stage
//
// Exit status: 0 done (list) or printer found (query); 1 search failed or
// printer not found; 2 wrong usage.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "command_line.h"
#include "platform/sockets.h"
#include "platform/util/text.h"
#include "platform_net/net_sockets.h"
#include "printer_access/search_net.h"
#include "report.h"
#include "usb_command.h"

namespace {

using zelkonet::print_report;
using zelkonet::text_of;

int usage() {
  std::fprintf(stderr,
               "usage: zelkonet list [options]\n"
               "       zelkonet query PRINTER_ID [ADDRESS] [options]\n"
               "       zelkonet local-address\n"
               "       zelkonet usb list|query ... (zelkonet usb --help)\n"
               "options: --broadcast ADDR  --local ADDR  --discovery-port N  --admin-port N\n"
               "         --window-ms N  --timeout-ms N\n");
  return 2;
}

bool parse_number(const char* text, long low, long high, long* value) {
  if (text == nullptr || *text == 0) return false;
  char* end = nullptr;
  const long parsed = std::strtol(text, &end, 10);
  if (*end != 0 || parsed < low || parsed > high) return false;
  *value = parsed;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  const std::string command = argv[1];
  if (command == "usb") return zelkonet::run_usb_command(argc - 2, argv + 2);
  pelmora::NetworkSearchOptions options;
  std::string printer_id, address;
  int positional = 0;
  using Value = std::string_view;
  // A number in [low, high] for `store`; every refusal is answered with the
  // usage.
  const auto number = [](long low, long high, std::function<void(long)> store) {
    return [low, high, store = std::move(store)](Value value) -> std::string {
      long parsed = 0;
      if (!parse_number(std::string(value).c_str(), low, high, &parsed)) return "bad number";
      store(parsed);
      return {};
    };
  };
  using Port = std::uint16_t;
  tool_support::CommandLine<char> line;
  line.option("--broadcast", [&](Value value) -> std::string {
    const auto parsed = platform::parse_ipv4(value);
    if (!parsed) return "bad address";
    options.broadcastAddress = *parsed;
    return {};
  });
  line.option("--local", [&](Value value) -> std::string {
    if (!platform::parse_ipv4(value)) return "bad address";
    options.localAddress = platform::to_utf16(value);
    return {};
  });
  line.option("--discovery-port",
              number(1, 65535, [&](long n) { options.discoveryPort = static_cast<Port>(n); }));
  line.option("--admin-port",
              number(1, 65535, [&](long n) { options.adminPort = static_cast<Port>(n); }));
  line.option("--window-ms", number(5, 60000, [&](long n) {
                options.listeningPolls = static_cast<int>(n / pelmora::kListeningPollWaitMs);
              }));
  line.option("--timeout-ms", number(1, 600000, [&](long n) {
                const auto ms = static_cast<std::uint32_t>(n);
                options.adminTimeouts = {ms, ms, ms};
              }));
  line.words([&](Value word) -> std::string {
    if (command != "query" || positional == 2) return "unexpected word";
    (positional++ == 0 ? printer_id : address) = word;
    return {};
  });
  if (!line.parse(std::vector<std::string>(argv + 2, argv + argc)).ok()) return usage();

  platform_net::NetSockets sockets;
  if (sockets.startup() != platform::kErrorSuccess) {
    std::fprintf(stderr, "zelkonet: the socket library cannot be started\n");
    return 1;
  }
  pelmora::CZelkoSearchNet search(sockets);
  int status = 1;
  if (command == "list") {
    pelmora::PrinterList list{};
    list.count = 0;
    if (!search.ListNetworkPrinters(&list, pelmora::kDiscoveryRequestCode, options)) {
      std::fprintf(stderr, "zelkonet: the discovery could not be sent\n");
    } else {
      for (int i = 0; i < list.count; ++i) {
        const pelmora::PrinterListEntry& entry = list.entries[i];
        std::printf("%s   product id 0x%04X\n", text_of(entry.listLine).c_str(),
                    static_cast<unsigned>(entry.productId));
      }
      std::printf("%d printer answer(s).\n", list.count);
      status = 0;
    }
  } else if (command == "local-address") {
    char16_t local[64] = {};
    if (search.GetLocalAddress(local, 64)) {
      std::printf("%s\n", text_of(local).c_str());
      status = 0;
    } else {
      std::fprintf(stderr, "zelkonet: the host name does not resolve to an IPv4 address\n");
    }
  } else if (command == "query" && !printer_id.empty()) {
    pelmora::PrinterDetails details{};
    const std::u16string id = platform::to_utf16(printer_id);
    const std::u16string target = platform::to_utf16(address);
    if (!search.FindNetworkPrinter(&details, id.c_str(), address.empty() ? nullptr : target.c_str(),
                                   pelmora::kDiscoveryRequestCode, options)) {
      std::fprintf(stderr, "zelkonet: printer %s did not answer\n", printer_id.c_str());
    } else {
      std::printf("Printer id:      %s\n", text_of(details.printerId).c_str());
      std::printf("Model:           %s\n", text_of(details.displayName).c_str());
      std::printf("Product id:      0x%04X\n", static_cast<unsigned>(details.productId));
      std::printf("IP address:      %s\n", text_of(details.ipAddress).c_str());
      std::printf("Raw print port:  %d\n", static_cast<int>(details.rawPort));
      std::printf("Reply token:     %s\n", text_of(details.replyToken).c_str());
      std::printf("Reply extra:     %d\n", static_cast<int>(details.replyExtra));
      print_report(details.encoderInfo);
      status = 0;
    }
  } else {
    status = usage();
  }
  sockets.cleanup();
  return status;
}
