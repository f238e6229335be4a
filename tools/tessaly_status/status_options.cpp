#include "status_options.h"

#include <functional>
#include <string_view>
#include <utility>

#include "command_line.h"
#include "platform/util/text.h"

namespace tessaly_status {
namespace {

int hex_digit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// 8-bit firmware text: only printable ASCII, as the printer reports it.
bool to_firmware_text(std::u16string_view text, std::string* out) {
  out->clear();
  for (char16_t c : text) {
    if (c < 0x20 || c > 0x7E) return false;
    out->push_back(static_cast<char>(c));
  }
  return true;
}

}  // namespace

bool parse_word(std::u16string_view text, std::uint32_t* value) {
  if (text.empty() || text.size() > 34) return false;
  unsigned base = 10;
  if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  std::uint64_t result = 0;
  for (char16_t c : text) {
    const int digit = hex_digit(c);
    if (digit < 0 || static_cast<unsigned>(digit) >= base) return false;
    result = result * base + static_cast<unsigned>(digit);
    if (result > 0xFFFFFFFFull) return false;
  }
  *value = static_cast<std::uint32_t>(result);
  return true;
}

bool parse_hex_bytes(std::u16string_view text, std::vector<std::uint8_t>* bytes) {
  bytes->clear();
  int high = -1;
  for (char16_t c : text) {
    if (c == u' ' || c == u'-' || c == u':') {
      if (high >= 0) return false;  // half a byte
      continue;
    }
    const int digit = hex_digit(c);
    if (digit < 0) return false;
    if (high < 0) {
      high = digit;
    } else {
      bytes->push_back(static_cast<std::uint8_t>(high << 4 | digit));
      high = -1;
    }
  }
  return high < 0;
}

ParseResult parse_options(const std::vector<std::u16string>& args) {
  ParseResult result;
  Options& o = result.options;
  o.queue.queue_name = u"Support check";
  using Value = std::u16string_view;
  tool_support::CommandLine<char16_t> line(kMaxArgumentChars);
  const auto help = [&o] { o.help = true; };
  line.flag("-h", help).flag("--help", help).flag("/?", help);
  line.flag("--offline", [&o] {
    o.queue.offline = true;
    o.single_queue = true;
  });
  // Every option with a value describes the one queue.
  const auto queue_option = [&](std::string_view name, std::function<std::string(Value)> take) {
    line.option(name, [&o, take = std::move(take)](Value value) {
      std::string refusal = take(value);
      if (refusal.empty()) o.single_queue = true;
      return refusal;
    });
  };
  const auto text = [&](std::string_view name, std::u16string* field) {
    queue_option(name, [field](Value value) {
      *field = value;
      return std::string();
    });
  };
  const auto word = [&](std::string_view name, std::uint32_t* field) {
    queue_option(name, [field, bad = "bad number for " + std::string(name)](Value value) {
      return parse_word(value, field) ? std::string() : bad;
    });
  };
  const auto bytes = [&](std::string_view name, std::optional<std::vector<std::uint8_t>>* field) {
    queue_option(name,
                 [field, bad = "bad hexadecimal bytes for " + std::string(name)](Value value) {
                   std::vector<std::uint8_t> parsed;
                   if (!parse_hex_bytes(value, &parsed)) return bad;
                   *field = std::move(parsed);
                   return std::string();
                 });
  };
  text("--driver", &o.queue.driver_name);
  queue_option("--queue", [&o](Value value) -> std::string {
    if (value.empty()) return "empty queue name";
    o.queue.queue_name = value;
    return {};
  });
  text("--serial", &o.queue.serial);
  text("--printer-id", &o.queue.printer_id);
  queue_option("--firmware", [&o](Value value) -> std::string {
    if (!to_firmware_text(value, &o.queue.firmware))
      return "firmware version must be printable ASCII";
    return {};
  });
  queue_option("--error-message", [&o](Value value) {
    o.error_message = std::u16string(value);
    return std::string();
  });
  word("--status-main", &o.queue.status_main);
  word("--status-error", &o.queue.status_error);
  queue_option("--ribbon", [&o](Value value) -> std::string {
    std::uint32_t number = 0;
    if (!parse_word(value, &number) || number > 0xFFFF) return "ribbon count must be 0 to 65535";
    o.queue.ribbon_left = static_cast<std::uint16_t>(number);
    return {};
  });
  word("--printer-type", &o.queue.printer_type);
  word("--lock-type", &o.queue.lock_type);
  word("--lam-status", &o.queue.lam_status);
  word("--lam-error", &o.queue.lam_error);
  bytes("--printer-status", &o.raw_printer_status);
  bytes("--laminator-status", &o.raw_laminator_status);

  const tool_support::CommandLineResult parsed = line.parse(args);
  result.ok = parsed.ok();
  result.error = parsed.message();
  return result;
}

const char* usage_text() {
  return "Usage: tessaly_status [options]\n"
         "\n"
         "Without options: polls the local print spooler as the Tessaly monitor does and\n"
         "prints every monitored queue. With options: decodes one queue whose driver\n"
         "data are given here.\n"
         "\n"
         "  --driver NAME            printer driver name (default \"Orvane ZELKO-70 Card "
         "Printer\")\n"
         "  --queue NAME             print queue name (default \"Support check\")\n"
         "  --offline                the queue is set to work offline\n"
         "  --status-main N          first word of \"PrinterStatus\"\n"
         "  --status-error N         second word of \"PrinterStatus\"\n"
         "  --ribbon N               ribbon count, bytes 10-11 of \"PrinterStatus\" (default 100)\n"
         "  --printer-status HEX     \"PrinterStatus\" as raw bytes (instead of the three above)\n"
         "  --printer-type N         \"PrinterType\"\n"
         "  --lock-type N            \"LockType\"\n"
         "  --serial TEXT            \"PrinterSerial\" (default 12AB3456)\n"
         "  --printer-id TEXT        \"PrinterID\" (default ZELKO-0001)\n"
         "  --firmware VERSION       firmware version, for example 1.00.61 (default)\n"
         "  --lam-status N           first word of \"LaminatorStatus\"\n"
         "  --lam-error N            second word of \"LaminatorStatus\"\n"
         "  --laminator-status HEX   \"LaminatorStatus\" as raw bytes\n"
         "  --error-message TEXT     a driver error text waiting in \"ErrorMessage\"\n"
         "  -h, --help               this text\n"
         "\n"
         "Numbers are decimal or hexadecimal with 0x. Raw bytes are hexadecimal pairs,\n"
         "optionally separated by blanks, '-' or ':'.\n";
}

}  // namespace tessaly_status
