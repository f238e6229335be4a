// The status poll's test fixture: a simulated Windows with the maker's
// queues, the poll's display state and its snapshot.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "monitor/driver_data.h"
#include "monitor/status_poll.h"
#include "platform/util/text.h"
#include "platform_sim/sim_windows.h"
#include "support/numbered.h"
#include "support/simulated_queue.h"

namespace tessaly::testing {

using test_support::numbered;

using platform::view_of;

constexpr char16_t kZelko70[] = u"Orvane ZELKO-70 Card Printer";
constexpr char16_t kZelko40[] = u"Orvane ZELKO-40 Card Printer";

// Remembers how the poll opens printers and asks for the driver.
class RecordingSpooler : public platform::Spooler {
 public:
  using Error = platform::Win32Error;
  using Handle = platform::PrinterHandle;
  using Names = std::vector<std::u16string>;

  explicit RecordingSpooler(platform::Spooler& inner) : inner_(inner) {}
  Error enum_local_printers(std::vector<platform::PrinterInfo2>* p) override {
    return inner_.enum_local_printers(p);
  }
  Error open_printer(std::u16string_view name, const platform::PrinterDefaults* defaults,
                     Handle* handle) override {
    opened_with_defaults = defaults != nullptr;
    if (defaults) {
      access = defaults->access;
      data_type = defaults->data_type;
    }
    return inner_.open_printer(name, defaults, handle);
  }
  Error get_printer_data(Handle h, std::u16string_view name, std::size_t max_bytes,
                         platform::PrinterDataValue* v) override {
    limits[std::u16string(name)] = max_bytes;
    return inner_.get_printer_data(h, name, max_bytes, v);
  }
  Error get_printer_driver(Handle h, std::uint32_t level, std::size_t bytes) override {
    driver_level = level;
    driver_bytes = bytes;
    return inner_.get_printer_driver(h, level, bytes);
  }
  // The rest as the inner spooler answers.
  Error close_printer(Handle h) override { return inner_.close_printer(h); }
  Error purge_printer(Handle h) override { return inner_.purge_printer(h); }
  Error delete_printer(Handle h) override { return inner_.delete_printer(h); }
  Error enum_printer_drivers(Names* names) override { return inner_.enum_printer_drivers(names); }
  Error delete_printer_driver(std::u16string_view name, std::uint32_t flags,
                              std::uint32_t version) override {
    return inner_.delete_printer_driver(name, flags, version);
  }
  Error get_printer(Handle h, platform::PrinterInfo2* info) override {
    return inner_.get_printer(h, info);
  }
  Error get_server_environment(std::u16string* environment) override {
    return inner_.get_server_environment(environment);
  }
  Error enum_printer_drivers_in(std::u16string_view environment, Names* names) override {
    return inner_.enum_printer_drivers_in(environment, names);
  }
  Error delete_printer_driver_in(std::u16string_view environment, std::u16string_view name,
                                 std::uint32_t flags, std::uint32_t version) override {
    return inner_.delete_printer_driver_in(environment, name, flags, version);
  }

  bool opened_with_defaults = false;
  std::uint32_t access = 0;
  std::u16string data_type = u"unset";
  std::map<std::u16string, std::size_t> limits;
  std::uint32_t driver_level = 0;
  std::size_t driver_bytes = 0;

 private:
  platform::Spooler& inner_;
};

class StatusPoll : public ::testing::Test {
 protected:
  SimulatedQueue queue(std::u16string name, std::u16string driver = kZelko70) {
    SimulatedQueue q;
    q.queue_name = std::move(name);
    q.driver_name = std::move(driver);
    return q;
  }
  void add(const SimulatedQueue& q) { add_simulated_queue(windows, q); }
  void poll() { poll_printer_status(windows.platform, display, *snapshot); }
  const PrinterStatusRecord& record(std::size_t i) { return snapshot->records[i]; }
  std::u16string queue_of(std::size_t i) { return std::u16string(view_of(record(i).queue_name)); }
  void expect_no_handles_left() {
    EXPECT_EQ(windows.spooler.open_handles(), 0u);
    EXPECT_EQ(windows.registry.open_handles(), 0u);
  }
  bool has_error_message(std::u16string_view queue_name) {
    return windows.registry.value(platform::kHkeyLocalMachine, driver_data_key(queue_name),
                                  u"ErrorMessage", nullptr);
  }

  platform::sim::SimWindows windows;
  DisplayState display;
  std::unique_ptr<StatusSnapshot> snapshot = std::make_unique<StatusSnapshot>();
};

}  // namespace tessaly::testing
