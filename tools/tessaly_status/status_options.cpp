#include "status_options.h"

#include <string_view>

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
  auto fail = [&](std::string message) {
    result.ok = false;
    result.error = std::move(message);
    return result;
  };

  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::u16string& arg = args[i];
    if (arg.size() > kMaxArgumentChars) return fail("argument too long");
    const std::string name = platform::to_utf8(arg);
    if (name == "-h" || name == "--help" || name == "/?") {
      o.help = true;
      continue;
    }
    if (name == "--offline") {
      o.queue.offline = true;
      o.single_queue = true;
      continue;
    }
    if (i + 1 >= args.size()) return fail("missing value after " + name);
    const std::u16string& value = args[++i];
    if (value.size() > kMaxArgumentChars) return fail("value of " + name + " too long");

    auto word = [&](std::uint32_t* out) {
      if (!parse_word(value, out)) return false;
      o.single_queue = true;
      return true;
    };
    std::uint32_t number = 0;
    if (name == "--driver") {
      o.queue.driver_name = value;
    } else if (name == "--queue") {
      if (value.empty()) return fail("empty queue name");
      o.queue.queue_name = value;
    } else if (name == "--serial") {
      o.queue.serial = value;
    } else if (name == "--printer-id") {
      o.queue.printer_id = value;
    } else if (name == "--firmware") {
      if (!to_firmware_text(value, &o.queue.firmware))
        return fail("firmware version must be printable ASCII");
    } else if (name == "--error-message") {
      o.error_message = value;
    } else if (name == "--status-main") {
      if (!word(&o.queue.status_main)) return fail("bad number for " + name);
    } else if (name == "--status-error") {
      if (!word(&o.queue.status_error)) return fail("bad number for " + name);
    } else if (name == "--ribbon") {
      if (!word(&number) || number > 0xFFFF) return fail("ribbon count must be 0 to 65535");
      o.queue.ribbon_left = static_cast<std::uint16_t>(number);
    } else if (name == "--printer-type") {
      if (!word(&o.queue.printer_type)) return fail("bad number for " + name);
    } else if (name == "--lock-type") {
      if (!word(&o.queue.lock_type)) return fail("bad number for " + name);
    } else if (name == "--lam-status") {
      if (!word(&o.queue.lam_status)) return fail("bad number for " + name);
    } else if (name == "--lam-error") {
      if (!word(&o.queue.lam_error)) return fail("bad number for " + name);
    } else if (name == "--printer-status") {
      std::vector<std::uint8_t> bytes;
      if (!parse_hex_bytes(value, &bytes)) return fail("bad hexadecimal bytes for " + name);
      o.raw_printer_status = std::move(bytes);
    } else if (name == "--laminator-status") {
      std::vector<std::uint8_t> bytes;
      if (!parse_hex_bytes(value, &bytes)) return fail("bad hexadecimal bytes for " + name);
      o.raw_laminator_status = std::move(bytes);
    } else {
      return fail("unknown option " + name);
    }
    // Every option with a value describes the one queue.
    o.single_queue = true;
  }
  result.ok = true;
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
