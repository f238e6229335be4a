// The text form of a USB machine (see usb_machine.h).
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "platform/util/text.h"
#include "usb_machine.h"

namespace usb_machine {

using namespace platform;

namespace {

constexpr std::size_t kMaxLine = 4096;
constexpr std::size_t kMaxStatements = 4096;

struct Field {
  std::string key;
  std::string value;
  bool has_value = false;
};

// Splits a line into words; a word may be key=value, and a double-quoted
// stretch keeps its blanks. False on an unclosed quote.
bool split_words(const std::string& line, std::vector<Field>* words) {
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    if (i >= line.size() || line[i] == '#') break;
    Field field;
    std::string* target = &field.key;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
      if (line[i] == '"') {
        const std::size_t close = line.find('"', i + 1);
        if (close == std::string::npos) return false;
        target->append(line, i + 1, close - i - 1);
        i = close + 1;
        continue;
      }
      if (line[i] == '=' && !field.has_value) {
        field.has_value = true;
        target = &field.value;
        ++i;
        continue;
      }
      target->push_back(line[i++]);
    }
    words->push_back(std::move(field));
  }
  return true;
}

bool parse_hex(const std::string& text, unsigned long max, unsigned long* value) {
  if (text.empty() || text.size() > 10) return false;
  char* end = nullptr;
  const unsigned long v = std::strtoul(text.c_str(), &end, 16);
  if (*end != 0 || v > max) return false;
  *value = v;
  return true;
}

bool parse_decimal(const std::string& text, unsigned long max, unsigned long* value) {
  if (text.empty() || text.size() > 10 || text[0] == '-') return false;
  char* end = nullptr;
  const unsigned long v = std::strtoul(text.c_str(), &end, 10);
  if (*end != 0 || v > max) return false;
  *value = v;
  return true;
}

bool parse_at(const std::string& text, UsbDevice* device) {
  const std::size_t colon = text.rfind(':');
  unsigned long port = 0;
  if (colon == std::string::npos || colon == 0 ||
      !parse_decimal(text.substr(colon + 1), 255, &port) || port == 0)
    return false;
  device->hub = to_utf16(text.substr(0, colon));
  device->port = static_cast<int>(port);
  return true;
}

bool parse_yes_no(const std::string& text, bool* value) {
  if (text == "yes") {
    *value = true;
    return true;
  }
  if (text == "no") {
    *value = false;
    return true;
  }
  return false;
}

bool parse_failures(const std::string& text, int* value) {
  if (text == "always") {
    *value = -1;
    return true;
  }
  unsigned long n = 0;
  if (!parse_decimal(text, 1000000, &n)) return false;
  *value = static_cast<int>(n);
  return true;
}

// USB_CONNECTION_STATUS by the names the machine text uses.
constexpr const char* kConnectionStates[] = {"none",
                                             "connected",
                                             "failed-enumeration",
                                             "general-failure",
                                             "overcurrent",
                                             "not-enough-power",
                                             "not-enough-bandwidth",
                                             "nested-too-deeply",
                                             "in-legacy-hub",
                                             "enumerating",
                                             "reset"};

bool parse_state(const std::string& text, std::uint32_t* state) {
  for (std::uint32_t i = 1; i < std::size(kConnectionStates); ++i)
    if (text == kConnectionStates[i]) {
      *state = i;
      return true;
    }
  return false;
}

struct ReaderModel {
  const char* name;
  std::uint16_t vendor;
  std::uint16_t product;
};
constexpr ReaderModel kReaderModels[] = {
    {"gemplus", 0x08E6, 0x3437},     {"acr38u", 0x072F, 0x9000},
    {"hismartech", 0x11B8, 0x0022},  {"omnikey5x21", 0x076B, 0x5121},
    {"omnikey5127", 0x076B, 0x5127}, {"acr122", 0x072F, 0x2200},
    {"duali", 0x1DB2, 0x0802},
};

// The encoder answer: statusWord and the four 64-character slots of the
// printer's report, zero-filled up to the answer's length.
struct EncoderText {
  unsigned long length = 0;
  bool present = false;
  std::uint32_t status = 0;
  std::u16string slots[4];
};

std::vector<std::uint8_t> encoder_bytes(const EncoderText& text) {
  std::vector<std::uint8_t> block(516 > text.length ? 516 : text.length, 0);
  for (int i = 0; i < 4; ++i) block[i] = static_cast<std::uint8_t>(text.status >> (8 * i));
  for (int slot = 0; slot < 4; ++slot) {
    const auto& name = text.slots[slot];
    for (std::size_t c = 0; c < name.size() && c < 63; ++c) {
      block[4 + 128 * slot + 2 * c] = static_cast<std::uint8_t>(name[c] & 0xFF);
      block[4 + 128 * slot + 2 * c + 1] = static_cast<std::uint8_t>(name[c] >> 8);
    }
  }
  block.resize(text.length);
  return block;
}

class Parser {
 public:
  Parser(UsbMachine* machine, std::vector<UsbLock>* locks) : m_(machine), locks_(locks) {}

  bool statement(const std::vector<Field>& words, std::string* error) {
    const std::string& what = words[0].key;
    if (words[0].has_value) return fail(error, "a statement starts with its kind");
    if (what == "hub") return hub(words, error);
    if (what == "printer") return device(words, UsbKind::Printer, error);
    if (what == "reader") return device(words, UsbKind::Reader, error);
    if (what == "device") return device(words, UsbKind::Other, error);
    if (what == "service") {
      if (words.size() != 2 || words[1].has_value) return fail(error, "service NAME");
      m_->bare_services.push_back(to_utf16(words[1].key));
      return true;
    }
    if (what == "pcsc-reader") {
      if (words.size() != 2 || words[1].has_value) return fail(error, "pcsc-reader \"NAME\"");
      m_->pcsc_readers.push_back(to_utf16(words[1].key));
      return true;
    }
    if (what == "pcsc") return pcsc(words, error);
    if (what == "lock") return lock(words, error);
    return fail(error, "unknown statement \"" + what + "\"");
  }

 private:
  static bool fail(std::string* error, std::string text) {
    *error = std::move(text);
    return false;
  }

  bool hub(const std::vector<Field>& words, std::string* error) {
    if (words.size() < 2 || words[1].has_value) return fail(error, "hub LABEL [options]");
    UsbHub hub;
    hub.label = to_utf16(words[1].key);
    UsbDevice at_port;
    at_port.kind = UsbKind::Hub;
    at_port.vendor = 0x0409;
    at_port.product = 0x005A;
    at_port.hub_label = hub.label;
    bool connected = false;
    for (std::size_t i = 2; i < words.size(); ++i) {
      const Field& f = words[i];
      unsigned long n = 0;
      if (f.key == "ports" && parse_decimal(f.value, 255, &n)) {
        hub.ports = static_cast<int>(n);
      } else if (f.key == "at" && parse_at(f.value, &at_port)) {
        connected = true;
      } else if (f.key == "vid" && parse_hex(f.value, 0xFFFF, &n)) {
        at_port.vendor = static_cast<std::uint16_t>(n);
      } else if (f.key == "pid" && parse_hex(f.value, 0xFFFF, &n)) {
        at_port.product = static_cast<std::uint16_t>(n);
      } else if (f.key == "present" && parse_yes_no(f.value, &hub.present)) {
      } else if (f.key == "state" && parse_state(f.value, &at_port.connection_status)) {
      } else if (f.key == "instance" && f.has_value) {
        at_port.instance = to_utf16(f.value);
      } else {
        return fail(error, "bad hub field \"" + f.key + "\"");
      }
    }
    m_->hubs.push_back(std::move(hub));
    if (connected) m_->devices.push_back(std::move(at_port));
    return true;
  }

  bool device(const std::vector<Field>& words, UsbKind kind, std::string* error) {
    UsbDevice d;
    d.kind = kind;
    if (kind == UsbKind::Printer) {
      d.vendor = 0x0016;
      d.product = 0x3850;
      d.status_answer = std::vector<std::uint8_t>(4, 0);
      d.port_name = next_port_name();
    }
    bool at = false, ids = false, vendor_given = false;
    EncoderText encoder;
    for (std::size_t i = 1; i < words.size(); ++i) {
      const Field& f = words[i];
      const std::u16string value = to_utf16(f.value);
      unsigned long n = 0;
      const bool printer = kind == UsbKind::Printer;
      const bool reader = kind == UsbKind::Reader;
      if (!f.has_value) return fail(error, "field \"" + f.key + "\" has no value");
      if (f.key == "at") {
        if (!parse_at(f.value, &d)) return fail(error, "at=HUB:PORT");
        at = true;
      } else if (f.key == "vid" && parse_hex(f.value, 0xFFFF, &n)) {
        d.vendor = static_cast<std::uint16_t>(n);
        vendor_given = true;
      } else if (f.key == "pid" && parse_hex(f.value, 0xFFFF, &n)) {
        d.product = static_cast<std::uint16_t>(n);
        ids = true;
      } else if (f.key == "instance") {
        d.instance = value;
      } else if (f.key == "driver") {
        d.driver_key = value;
      } else if (f.key == "connected" && parse_yes_no(f.value, &d.connected)) {
      } else if (f.key == "state") {
        if (!parse_state(f.value, &d.connection_status))
          return fail(error, "state=connected|failed-enumeration|...|reset");
      } else if (printer && f.key == "prefix") {
        d.has_parent_id_prefix = f.value != "none";
        if (d.has_parent_id_prefix) d.parent_id_prefix = value;
      } else if (printer && f.key == "interface" && parse_yes_no(f.value, &d.has_interface)) {
      } else if (printer && f.key == "port") {
        d.port_name = f.value == "none" ? u"" : value;
      } else if (printer && f.key == "model") {
        d.usbprint_model = value;
      } else if (printer && f.key == "child") {
        d.port_child = value;
      } else if (printer && f.key == "queue") {
        d.queue = value;
      } else if (printer && f.key == "queue-instance") {
        d.queue_instance = value;
      } else if (printer && f.key == "registry-id") {
        d.registry_id = value;
      } else if (printer && f.key == "registry-status") {
        std::vector<std::uint8_t> bytes;
        std::size_t start = 0;
        while (start <= f.value.size()) {
          std::size_t comma = f.value.find(',', start);
          if (comma == std::string::npos) comma = f.value.size();
          if (!parse_hex(f.value.substr(start, comma - start), 0xFF, &n) || bytes.size() >= 64)
            return fail(error, "registry-status=HEX,HEX,...");
          bytes.push_back(static_cast<std::uint8_t>(n));
          start = comma + 1;
        }
        d.registry_status = std::move(bytes);
      } else if (printer && f.key == "id") {
        if (f.value == "none") {
          d.id_answer.reset();
        } else {
          std::vector<std::uint8_t> bytes(f.value.begin(), f.value.end());
          bytes.resize(bytes.size() < 16 ? 16 : bytes.size(), 0);
          d.id_answer = std::move(bytes);
        }
      } else if (printer && f.key == "status") {
        if (f.value == "none") {
          d.status_answer.reset();
        } else if (parse_hex(f.value, 0xFF, &n)) {
          d.status_answer = std::vector<std::uint8_t>{0, 0, static_cast<std::uint8_t>(n), 0};
        } else {
          return fail(error, "status=HEX|none");
        }
      } else if (printer && f.key == "encoder") {
        encoder.present = f.value != "none";
        if (encoder.present && !parse_decimal(f.value, 65536, &encoder.length))
          return fail(error, "encoder=LENGTH|none");
      } else if (printer && f.key == "encoder-status" && parse_hex(f.value, 0xFFFFFFFF, &n)) {
        encoder.status = static_cast<std::uint32_t>(n);
      } else if (printer && f.key.rfind("encoder-", 0) == 0 && slot_of(f.key) >= 0) {
        encoder.slots[slot_of(f.key)] = value;
      } else if (printer && f.key == "busy" && f.value == "device") {
        d.held_open_elsewhere = true;
      } else if (reader && f.key == "model") {
        const ReaderModel* model = nullptr;
        for (const auto& r : kReaderModels)
          if (f.value == r.name) model = &r;
        if (model == nullptr) return fail(error, "unknown reader model \"" + f.value + "\"");
        if (!ids) d.product = model->product;
        if (!vendor_given) d.vendor = model->vendor;
        ids = true;
      } else if (reader && f.key == "service") {
        d.service = value;
      } else if (reader && f.key == "enum-id") {
        d.enum_id = value;
      } else if (reader && f.key == "interface-child") {
        d.interface_child = value;
      } else {
        return fail(error, "bad field \"" + f.key + "\"");
      }
    }
    if (!at) return fail(error, "at=HUB:PORT is missing");
    if (kind != UsbKind::Printer && !ids)
      return fail(error, "vid= and pid= (or model=) are missing");
    if (kind == UsbKind::Reader && d.service.empty()) return fail(error, "service= is missing");
    if (encoder.present) d.encoder_answer = encoder_bytes(encoder);
    m_->devices.push_back(std::move(d));
    return true;
  }

  static int slot_of(const std::string& key) {
    static const char* const kNames[] = {"encoder-contact-low", "encoder-contact-high",
                                         "encoder-contactless-low", "encoder-contactless-high"};
    for (int i = 0; i < 4; ++i)
      if (key == kNames[i]) return i;
    return -1;
  }

  std::u16string next_port_name() {
    ++printers_;
    char text[16];
    std::snprintf(text, sizeof text, "USB%03d", printers_ % 1000);
    return to_utf16(text);
  }

  bool pcsc(const std::vector<Field>& words, std::string* error) {
    for (std::size_t i = 1; i < words.size(); ++i) {
      const Field& f = words[i];
      if (f.key == "fail-context" && parse_failures(f.value, &m_->pcsc_context_failures)) continue;
      if (f.key == "fail-list" && parse_failures(f.value, &m_->pcsc_list_failures)) continue;
      return fail(error, "pcsc [fail-context=N|always] [fail-list=N|always]");
    }
    return true;
  }

  bool lock(const std::vector<Field>& words, std::string* error) {
    if (words.size() < 2 || words[1].has_value) return fail(error, "lock NAME [held-ms=N]");
    UsbLock lock{to_utf16(words[1].key), std::nullopt};
    for (std::size_t i = 2; i < words.size(); ++i) {
      unsigned long n = 0;
      if (words[i].key != "held-ms" || !parse_decimal(words[i].value, 86400000, &n))
        return fail(error, "lock NAME [held-ms=N]");
      lock.held_ms = n;
    }
    locks_->push_back(std::move(lock));
    return true;
  }

  UsbMachine* m_;
  std::vector<UsbLock>* locks_;
  int printers_ = 0;
};

}  // namespace

bool parse_usb_machine(std::string_view text, UsbMachine* machine, std::vector<UsbLock>* locks,
                       std::string* error) {
  Parser parser(machine, locks);
  std::size_t line_number = 0, statements = 0, start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    ++line_number;
    const std::string line(text.substr(start, end - start));
    start = end + 1;
    std::string message;
    std::vector<Field> words;
    if (line.size() > kMaxLine) {
      message = "line too long";
    } else if (!split_words(line, &words)) {
      message = "unclosed quote";
    } else if (words.empty()) {
      continue;
    } else if (++statements > kMaxStatements) {
      message = "too many statements";
    } else if (parser.statement(words, &message)) {
      continue;
    }
    *error = "line " + std::to_string(line_number) + ": " + message;
    return false;
  }
  return machine->complete(error);
}

}  // namespace usb_machine
