#include "sim_config.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace printer_sim {
namespace {

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r')) {
    text.remove_prefix(1);
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

bool to_int64(std::string_view text, std::int64_t* value) {
  std::string copy(text);
  if (copy.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long long parsed = std::strtoll(copy.c_str(), &end, 0);
  if (errno != 0 || end == nullptr || *end != 0) return false;
  *value = parsed;
  return true;
}

std::string expand_net(std::string_view address, std::string_view net) {
  if (address.substr(0, 4) == "NET.")
    return std::string(net) + "." + std::string(address.substr(4));
  return std::string(address);
}

}  // namespace

bool parse_config(std::string_view text, std::string_view net, SimulatorConfig* config,
                  std::string* error) {
  SimulatorConfig result;
  PrinterConfig* printer = nullptr;
  int line_number = 0;
  auto fail = [&](const std::string& message) {
    if (error) *error = "line " + std::to_string(line_number) + ": " + message;
    return false;
  };
  std::size_t position = 0;
  while (position <= text.size()) {
    std::size_t end = text.find('\n', position);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = trim(text.substr(position, end - position));
    position = end + 1;
    ++line_number;
    if (line.empty() || line.front() == '#') continue;
    if (line == "[printer]") {
      result.printers.emplace_back();
      printer = &result.printers.back();
      printer->name = "printer" + std::to_string(result.printers.size());
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return fail("expected key = value");
    const std::string key(trim(line.substr(0, equals)));
    const std::string value(trim(line.substr(equals + 1)));
    std::int64_t number = 0;
    const bool numeric = to_int64(value, &number);
    auto need_number = [&]() { return numeric ? true : fail("'" + key + "' needs a number"); };

    if (printer == nullptr) {
      if (key == "listen") {
        if (value != "any" && value != "printers") return fail("listen is 'any' or 'printers'");
        result.listen_any = value == "any";
      } else if (key == "discovery-port") {
        if (!need_number()) return false;
        result.discovery_port = static_cast<std::uint16_t>(number);
      } else if (key == "admin-port") {
        if (!need_number()) return false;
        result.admin_port = static_cast<std::uint16_t>(number);
      } else if (key == "jobs-dir") {
        result.jobs_dir = value;
      } else if (key == "broadcast-alias") {
        std::istringstream words(value);
        BroadcastAlias alias;
        words >> alias.address >> alias.segment;
        if (alias.address.empty()) return fail("broadcast-alias needs an address");
        if (alias.segment.empty()) alias.segment = "lan";
        alias.address = expand_net(alias.address, net);
        result.aliases.push_back(alias);
      } else {
        return fail("unknown simulator key '" + key + "'");
      }
      continue;
    }

    PrinterConfig& p = *printer;
    if (key == "name") {
      p.name = value;
    } else if (key == "id") {
      p.id = value;
    } else if (key == "product") {
      if (!need_number()) return false;
      p.product = static_cast<std::int32_t>(number);
    } else if (key == "address") {
      p.address = expand_net(value, net);
    } else if (key == "raw-port") {
      if (!need_number()) return false;
      p.raw_port = static_cast<int>(number);
    } else if (key == "token") {
      p.token = value;
    } else if (key == "extra") {
      if (!need_number()) return false;
      p.extra = static_cast<std::int32_t>(number);
    } else if (key == "segment") {
      p.segment = value;
    } else if (key == "status") {
      if (!need_number()) return false;
      p.report.status = static_cast<std::uint32_t>(number);
    } else if (key == "contact-low") {
      p.report.contact_low = value;
    } else if (key == "contact-high") {
      p.report.contact_high = value;
    } else if (key == "contactless-low") {
      p.report.contactless_low = value;
    } else if (key == "contactless-high") {
      p.report.contactless_high = value;
    } else if (key == "discovery") {
      if (value == "normal")
        p.discovery = DiscoveryMode::Normal;
      else if (value == "silent")
        p.discovery = DiscoveryMode::Silent;
      else if (value == "malformed")
        p.discovery = DiscoveryMode::Malformed;
      else if (value == "short")
        p.discovery = DiscoveryMode::Short;
      else if (value == "oversized")
        p.discovery = DiscoveryMode::Oversized;
      else
        return fail("unknown discovery mode '" + value + "'");
    } else if (key == "discovery-delay-ms") {
      if (!need_number()) return false;
      p.discovery_delay_ms = static_cast<int>(number);
    } else if (key == "discovery-repeat") {
      if (!need_number()) return false;
      p.discovery_repeat = static_cast<int>(number);
    } else if (key == "answer-text") {
      p.answer_text = value;
    } else if (key == "admin") {
      if (value == "normal")
        p.admin = AdminMode::Normal;
      else if (value == "off")
        p.admin = AdminMode::Off;
      else if (value == "refuse-handshake")
        p.admin = AdminMode::RefuseHandshake;
      else if (value == "no-anonymous")
        p.admin = AdminMode::NoAnonymous;
      else if (value == "silent")
        p.admin = AdminMode::Silent;
      else
        return fail("unknown admin mode '" + value + "'");
    } else if (key == "reply-direction") {
      if (!need_number()) return false;
      p.reply_direction = static_cast<int>(number);
    } else if (key == "reply-size") {
      if (!need_number()) return false;
      p.reply_size = static_cast<int>(number);
    } else if (key == "length-field") {
      if (!need_number()) return false;
      p.length_field = number;
    } else if (key == "reply-delay-ms") {
      if (!need_number()) return false;
      p.reply_delay_ms = static_cast<int>(number);
    } else {
      return fail("unknown printer key '" + key + "'");
    }
  }
  for (const PrinterConfig& p : result.printers) {
    if (p.id.empty() || p.address.empty()) {
      if (error) *error = "printer '" + p.name + "' needs an id and an address";
      return false;
    }
  }
  *config = std::move(result);
  return true;
}

bool load_config(const std::string& path, std::string_view net, SimulatorConfig* config,
                 std::string* error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    if (error) *error = "cannot read " + path;
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  return parse_config(text.str(), net, config, error);
}

const PrinterConfig* find_printer(const SimulatorConfig& config, std::string_view name) {
  for (const PrinterConfig& printer : config.printers) {
    if (printer.name == name) return &printer;
  }
  return nullptr;
}

std::string answer_text(const PrinterConfig& printer) {
  if (!printer.answer_text.empty()) return printer.answer_text;
  return printer.token + " " + std::to_string(printer.product) + " " + printer.id + " " +
         printer.address + " " + std::to_string(printer.raw_port) + " " +
         std::to_string(printer.extra);
}

}  // namespace printer_sim
