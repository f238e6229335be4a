// The printer simulator's configuration: any number of network card printers,
// each with its id, product id, address, raw print port and encoder report,
// and switches that make it misbehave on purpose.
//
// File format: "key = value" lines, '#' starts a comment line. Lines before
// the first "[printer]" set the simulator; each "[printer]" starts a printer.
// In an address, a leading "NET." stands for the three-part prefix given
// with --net (so one file serves several loopback blocks).
//
//   simulator keys
//     listen = printers | any      printers: one UDP socket per printer
//                                  address (and per broadcast alias); any:
//                                  one socket on 0.0.0.0 that also hears
//                                  real broadcasts (private namespaces only)
//     discovery-port = 11119       admin-port = 11111
//     jobs-dir = DIR               where raw print jobs are stored
//     broadcast-alias = ADDR SEG   a datagram to ADDR is handled as a
//                                  broadcast to the printers of segment SEG
//   printer keys
//     name, id, product, address, raw-port (0: none), token, extra,
//     segment (default "lan"), status, contact-low, contact-high,
//     contactless-low, contactless-high
//     discovery = normal | silent | malformed | short | oversized
//     discovery-delay-ms, discovery-repeat, answer-text (replaces the answer)
//     admin = normal | off | refuse-handshake | no-anonymous | silent
//     reply-direction (2), reply-size (bytes sent), length-field (value at
//     offset 20), reply-delay-ms
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace printer_sim {

enum class DiscoveryMode { Normal, Silent, Malformed, Short, Oversized };
enum class AdminMode { Normal, Off, RefuseHandshake, NoAnonymous, Silent };

struct EncoderReport {
  std::uint32_t status = 0;
  std::string contact_low;
  std::string contact_high;
  std::string contactless_low;
  std::string contactless_high;
};

struct PrinterConfig {
  std::string name;
  std::string id;
  std::int32_t product = 0x3850;
  std::string address;
  int raw_port = 9100;
  std::string token = "TVRQ2.0";
  std::int32_t extra = 0;
  std::string segment = "lan";
  EncoderReport report;

  DiscoveryMode discovery = DiscoveryMode::Normal;
  int discovery_delay_ms = 0;
  int discovery_repeat = 1;
  std::string answer_text;

  AdminMode admin = AdminMode::Normal;
  int reply_direction = 2;
  int reply_size = -1;             // -1: header and block, 544 bytes
  std::int64_t length_field = -1;  // -1: 516
  int reply_delay_ms = 0;
};

struct BroadcastAlias {
  std::string address;
  std::string segment;
};

struct SimulatorConfig {
  std::vector<PrinterConfig> printers;
  std::vector<BroadcastAlias> aliases;
  bool listen_any = false;
  std::uint16_t discovery_port = 11119;
  std::uint16_t admin_port = 11111;
  std::string jobs_dir;
};

// Parses a configuration text; "NET." in addresses becomes `net` + ".".
// False with a message naming the line on any error.
bool parse_config(std::string_view text, std::string_view net, SimulatorConfig* config,
                  std::string* error);
bool load_config(const std::string& path, std::string_view net, SimulatorConfig* config,
                 std::string* error);

const PrinterConfig* find_printer(const SimulatorConfig& config, std::string_view name);

// The discovery answer text a well-behaved printer sends.
std::string answer_text(const PrinterConfig& printer);

}  // namespace printer_sim
