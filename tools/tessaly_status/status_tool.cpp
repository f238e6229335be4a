#include "status_tool.h"

#include <memory>

#include "given_queue.h"
#include "monitor/status_poll.h"
#include "platform/registry.h"
#include "platform/util/format.h"
#include "platform/util/text.h"
#include "status_options.h"
#include "status_report.h"

namespace tessaly_status {
namespace {

// The tool only looks: the driver's error text is left for the monitor,
// which shows it once and then deletes it.
class LookOnlyRegistry : public platform::Registry {
 public:
  explicit LookOnlyRegistry(platform::Registry& inner) : inner_(inner) {}
  platform::Win32Error open_key(platform::RegKey parent, std::u16string_view subkey, std::uint32_t,
                                platform::RegKey* key) override {
    return inner_.open_key(parent, subkey, platform::kKeyRead, key);
  }
  platform::Win32Error create_key(platform::RegKey, std::u16string_view, std::uint32_t,
                                  platform::RegKey*) override {
    return platform::kErrorAccessDenied;
  }
  platform::Win32Error close_key(platform::RegKey key) override { return inner_.close_key(key); }
  platform::Win32Error query_value(platform::RegKey key, std::u16string_view name,
                                   std::size_t max_bytes, platform::RegistryValue* value) override {
    return inner_.query_value(key, name, max_bytes, value);
  }
  platform::Win32Error set_value(platform::RegKey, std::u16string_view, std::uint32_t, const void*,
                                 std::size_t) override {
    return platform::kErrorAccessDenied;
  }
  platform::Win32Error delete_value(platform::RegKey, std::u16string_view) override {
    return platform::kErrorAccessDenied;
  }
  platform::Win32Error delete_key(platform::RegKey, std::u16string_view) override {
    return platform::kErrorAccessDenied;
  }
  platform::Win32Error delete_tree(platform::RegKey, std::u16string_view) override {
    return platform::kErrorAccessDenied;
  }
  platform::Win32Error enum_subkey(platform::RegKey key, std::uint32_t index,
                                   std::u16string* name) override {
    return inner_.enum_subkey(key, index, name);
  }
  platform::Win32Error enum_value(platform::RegKey key, std::uint32_t index,
                                  std::u16string* name) override {
    return inner_.enum_value(key, index, name);
  }

 private:
  platform::Registry& inner_;
};

void print_waiting_error_text(platform::Registry& registry, std::u16string_view queue,
                              std::string& out) {
  platform::ScopedRegKey key(registry);
  if (registry.open_key(platform::kHkeyLocalMachine, tessaly::driver_data_key(queue),
                        platform::kKeyRead, key.receive()) != platform::kErrorSuccess)
    return;
  platform::RegistryValue value;
  const auto error = registry.query_value(key.get(), u"ErrorMessage", 128, &value);
  if (error == platform::kErrorSuccess)
    out += "  Driver error text waiting: " + platform::to_utf8(platform::registry_string(value)) +
           "\n";
  else if (error == platform::kErrorMoreData)
    out += "  Driver error text waiting, longer than 128 bytes: the monitor cannot read it\n";
}

int poll_and_print(platform::Spooler& spooler, platform::Registry& registry, std::string& out) {
  LookOnlyRegistry look_only(registry);
  tessaly::DisplayState display;
  auto snapshot = std::make_unique<tessaly::StatusSnapshot>();
  tessaly::PollDiagnostics diagnostics;
  tessaly::poll_printer_status(spooler, look_only, display, *snapshot, &diagnostics);
  if (diagnostics.enumeration_error != 0) {
    out += platform::format_narrow("Cannot list the print queues: error %u\n",
                                   {diagnostics.enumeration_error});
    return 1;
  }
  for (std::uint32_t i = 0; i < snapshot->count; ++i) {
    if (i > 0) out += "\n";
    out += describe_record(snapshot->records[i]);
    print_waiting_error_text(registry, platform::view_of(snapshot->records[i].queue_name), out);
  }
  if (!diagnostics.skipped.empty() && snapshot->count > 0) out += "\n";
  for (const auto& skip : diagnostics.skipped) out += describe_skip(skip);
  if (snapshot->count == tessaly::kMaxRecords)
    out += "The monitor shows at most 16 queues; further queues are not read.\n";
  if (snapshot->count == 0 && diagnostics.skipped.empty())
    out += "No print queue with one of the monitored driver names.\n";
  return 0;
}

int decode_one_queue(const Options& options, std::string& out) {
  if (tessaly::monitored_model_index(options.queue.driver_name) < 0) {
    out += "Driver name \"" + platform::to_utf8(options.queue.driver_name) +
           "\" is not one the monitor watches (names are compared exactly, letter case "
           "included).\n";
    return 1;
  }
  GivenQueue queue(options.queue);
  if (options.raw_printer_status)
    queue.put_value(u"PrinterStatus", platform::kRegBinary, *options.raw_printer_status);
  if (options.raw_laminator_status)
    queue.put_value(u"LaminatorStatus", platform::kRegBinary, *options.raw_laminator_status);
  if (options.error_message)
    queue.put_value(u"ErrorMessage", platform::kRegSz,
                    tessaly::string_value_bytes(*options.error_message));
  return poll_and_print(queue, queue, out);
}

}  // namespace

int run_status_tool(const std::vector<std::u16string>& args, platform::Spooler& local_spooler,
                    platform::Registry& local_registry, std::string& out, std::string& err) {
  const ParseResult parsed = parse_options(args);
  if (!parsed.ok) {
    err += "tessaly_status: " + parsed.error + "\n\n" + usage_text();
    return 2;
  }
  if (parsed.options.help) {
    out += usage_text();
    return 0;
  }
  if (parsed.options.single_queue) return decode_one_queue(parsed.options, out);
  return poll_and_print(local_spooler, local_registry, out);
}

}  // namespace tessaly_status
