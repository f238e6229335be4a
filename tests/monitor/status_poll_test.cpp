#include "monitor/status_poll.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "monitor/driver_data.h"
#include "monitor/simulated_queue.h"
#include "platform/text.h"
#include "platform_sim/sim_windows.h"

namespace tessaly {
namespace {

// "<prefix><number>" (built by appending: GCC 12 warns wrongly about
// prefix + std::string temporaries).
std::u16string numbered(std::u16string_view prefix, int number) {
  std::u16string name(prefix);
  name += platform::to_utf16(std::to_string(number));
  return name;
}

using platform::view_of;

constexpr char16_t kZelko70[] = u"Orvane ZELKO-70 Card Printer";
constexpr char16_t kZelko40[] = u"Orvane ZELKO-40 Card Printer";

// Remembers how the poll opens printers and asks for the driver.
class RecordingSpooler : public platform::Spooler {
 public:
  explicit RecordingSpooler(platform::Spooler& inner) : inner_(inner) {}
  platform::Win32Error enum_local_printers(std::vector<platform::PrinterInfo2>* p) override {
    return inner_.enum_local_printers(p);
  }
  platform::Win32Error open_printer(std::u16string_view name,
                                    const platform::PrinterDefaults* defaults,
                                    platform::PrinterHandle* handle) override {
    opened_with_defaults = defaults != nullptr;
    if (defaults) {
      access = defaults->access;
      data_type = defaults->data_type;
    }
    return inner_.open_printer(name, defaults, handle);
  }
  platform::Win32Error close_printer(platform::PrinterHandle h) override {
    return inner_.close_printer(h);
  }
  platform::Win32Error get_printer_data(platform::PrinterHandle h, std::u16string_view name,
                                        std::size_t max_bytes,
                                        platform::PrinterDataValue* v) override {
    limits[std::u16string(name)] = max_bytes;
    return inner_.get_printer_data(h, name, max_bytes, v);
  }
  platform::Win32Error get_printer_driver(platform::PrinterHandle h, std::uint32_t level,
                                          std::size_t bytes) override {
    driver_level = level;
    driver_bytes = bytes;
    return inner_.get_printer_driver(h, level, bytes);
  }
  platform::Win32Error purge_printer(platform::PrinterHandle h) override {
    return inner_.purge_printer(h);
  }
  platform::Win32Error delete_printer(platform::PrinterHandle h) override {
    return inner_.delete_printer(h);
  }
  platform::Win32Error enum_printer_drivers(std::vector<std::u16string>* names) override {
    return inner_.enum_printer_drivers(names);
  }
  platform::Win32Error delete_printer_driver(std::u16string_view name, std::uint32_t flags,
                                             std::uint32_t version) override {
    return inner_.delete_printer_driver(name, flags, version);
  }
  platform::Win32Error get_printer(platform::PrinterHandle h,
                                   platform::PrinterInfo2* info) override {
    return inner_.get_printer(h, info);
  }
  platform::Win32Error get_server_environment(std::u16string* environment) override {
    return inner_.get_server_environment(environment);
  }
  platform::Win32Error enum_printer_drivers_in(std::u16string_view environment,
                                               std::vector<std::u16string>* names) override {
    return inner_.enum_printer_drivers_in(environment, names);
  }
  platform::Win32Error delete_printer_driver_in(std::u16string_view environment,
                                                std::u16string_view name, std::uint32_t flags,
                                                std::uint32_t version) override {
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
    platform::RegistryValue v;
    return windows.registry.value(platform::kHkeyLocalMachine, driver_data_key(queue_name),
                                  u"ErrorMessage", &v);
  }

  platform::sim::SimWindows windows;
  DisplayState display;
  std::unique_ptr<StatusSnapshot> snapshot = std::make_unique<StatusSnapshot>();
};

TEST_F(StatusPoll, MonitorsOnlyExactDriverNamesInSpoolerOrder) {
  add(queue(u"Office laser", u"HP LaserJet"));
  add(queue(u"Lower case", u"orvane zelko-70 card printer"));
  auto lam = queue(u"A front desk");
  lam.status_main = 1u << 22;
  lam.lam_status = 1u << 15;
  add(lam);
  add(queue(u"B back office", kZelko40));
  add(queue(u"C dual", u"KORVEN-40 Card Printer"));
  poll();
  ASSERT_EQ(snapshot->count, 3u);
  EXPECT_EQ(queue_of(0), u"A front desk");
  EXPECT_EQ(record(0).model_index, 0);
  EXPECT_EQ(record(0).has_laminator, 1);
  EXPECT_EQ(record(0).lam_status, 1u << 15);
  EXPECT_EQ(view_of(record(0).line1), u"Lami. Cover Open ");
  EXPECT_EQ(queue_of(1), u"B back office");
  EXPECT_EQ(record(1).model_index, 1);  // the first equal row, never row 7
  EXPECT_EQ(record(1).has_laminator, 0);
  EXPECT_EQ(view_of(record(1).line1), u"   ZELKO-40 S   ");
  EXPECT_EQ(record(2).model_index, 17);
  EXPECT_EQ(view_of(record(2).printer_id), u"ZELKO-0001");
  EXPECT_EQ(view_of(record(2).firmware), u"1.00.61");
  EXPECT_EQ(record(2).ribbon_left, 100);
  // The laminator status is read only for the printer with a laminator.
  EXPECT_EQ(windows.faults.calls("GetPrinterDataW"), 6 * 3 + 1);
  expect_no_handles_left();
}

TEST_F(StatusPoll, OpensForUseAndAsksForTheDriverAtLevel6WithinTheLimits) {
  add(queue(u"Front desk"));
  RecordingSpooler spooler(windows.spooler);
  auto lam = queue(u"Laminating");
  lam.status_main = 1u << 22;
  add(lam);
  poll_printer_status(spooler, windows.registry, display, *snapshot);
  ASSERT_EQ(snapshot->count, 2u);
  EXPECT_TRUE(spooler.opened_with_defaults);
  EXPECT_EQ(spooler.access, platform::kPrinterAccessUse);
  EXPECT_EQ(spooler.data_type, u"");
  EXPECT_EQ(spooler.driver_level, 6u);
  EXPECT_EQ(spooler.driver_bytes, 16384u);
  const std::map<std::u16string, std::size_t> expected = {
      {u"PrinterID", 64},  {u"PrinterSerial", 64}, {u"PrinterVersion", 64}, {u"PrinterStatus", 64},
      {u"PrinterType", 4}, {u"LockType", 4},       {u"LaminatorStatus", 64}};
  EXPECT_EQ(spooler.limits, expected);
}

// A 32-bit monitor on 64-bit Windows: the caller's (x86) environment has no
// driver for queues installed for x64 only; the server's own has.
class X64OnlySpooler : public RecordingSpooler {
 public:
  using RecordingSpooler::RecordingSpooler;
  platform::Win32Error get_printer_driver(platform::PrinterHandle h, std::uint32_t level,
                                          std::size_t bytes) override {
    ++caller_calls;
    RecordingSpooler::get_printer_driver(h, level, bytes);
    return caller_error;
  }
  platform::Win32Error get_printer_driver_native(platform::PrinterHandle, std::uint32_t level,
                                                 std::size_t bytes) override {
    ++native_calls;
    native_level = level;
    native_bytes = bytes;
    return native_error;
  }
  platform::Win32Error caller_error = platform::kErrorUnknownPrinterDriver;
  platform::Win32Error native_error = platform::kErrorSuccess;
  int caller_calls = 0;
  int native_calls = 0;
  std::uint32_t native_level = 0;
  std::size_t native_bytes = 0;
};

TEST_F(StatusPoll, AQueueWithoutADriverForTheCallersEnvironmentCountsByItsOwn) {
  add(queue(u"Front desk"));
  add(queue(u"Back office", kZelko40));
  X64OnlySpooler spooler(windows.spooler);
  poll_printer_status(spooler, windows.registry, display, *snapshot);
  EXPECT_EQ(snapshot->count, 2u);
  EXPECT_EQ(spooler.native_calls, 2);
  EXPECT_EQ(spooler.native_level, 6u);
  EXPECT_EQ(spooler.native_bytes, 16384u);

  // Without the driver in either environment the queue is left out.
  spooler.native_error = platform::kErrorUnknownPrinterDriver;
  poll_printer_status(spooler, windows.registry, display, *snapshot);
  EXPECT_EQ(snapshot->count, 0u);

  // Other failures are not retried: the queue is left out at once.
  spooler.native_calls = 0;
  spooler.native_error = platform::kErrorSuccess;
  spooler.caller_error = platform::kErrorAccessDenied;
  poll_printer_status(spooler, windows.registry, display, *snapshot);
  EXPECT_EQ(snapshot->count, 0u);
  EXPECT_EQ(spooler.native_calls, 0);

  // Where the caller's environment has the driver, it is asked once.
  spooler.caller_error = platform::kErrorSuccess;
  poll_printer_status(spooler, windows.registry, display, *snapshot);
  EXPECT_EQ(snapshot->count, 2u);
  EXPECT_EQ(spooler.native_calls, 0);
  expect_no_handles_left();
}

TEST_F(StatusPoll, OfflineQueueIsReportedWithABlankPanel) {
  auto q = queue(u"Front desk");
  q.offline = true;
  q.status_main = 1u << 12;
  add(q);
  poll();
  ASSERT_EQ(snapshot->count, 1u);
  EXPECT_EQ(record(0).online, 0);
  EXPECT_EQ(record(0).active, 0);
  EXPECT_EQ(view_of(record(0).line1), u"                ");
  EXPECT_EQ(view_of(record(0).line3), u"");
}

TEST_F(StatusPoll, SerialMarksTheChVariantsAndThePanelKind) {
  auto a = queue(u"A");
  a.serial = u"12CH3456";
  add(a);
  auto b = queue(u"B", kZelko40);
  b.serial = u"12CH3456";
  add(b);
  auto c = queue(u"C", u"VANTO-70 Card Printer");
  c.serial = u"12CH3456";
  add(c);
  auto d = queue(u"D");
  d.serial = u"12ch3456";  // letter case matters
  add(d);
  auto e = queue(u"E");
  e.serial = u"3CH";  // too short to carry the mark; one-key panel
  add(e);
  auto f = queue(u"F");
  f.serial = u"";
  add(f);
  poll();
  ASSERT_EQ(snapshot->count, 6u);
  EXPECT_EQ(record(0).model_index, 6);
  EXPECT_EQ(view_of(record(0).line1), u"  ZELKO-CH 70S  ");
  EXPECT_EQ(record(1).model_index, 7);
  EXPECT_EQ(record(2).model_index, 12);
  EXPECT_EQ(record(3).model_index, 0);
  EXPECT_EQ(record(4).model_index, 0);
  EXPECT_EQ(record(4).two_key_panel, 0);
  EXPECT_EQ(record(0).two_key_panel, 1);
  EXPECT_EQ(record(5).two_key_panel, 1);
  EXPECT_EQ(view_of(record(5).serial), u"");
}

TEST_F(StatusPoll, LaminatorNeedsFirmware10061AndOtherwiseBit23GivesDualSided) {
  auto lam = queue(u"A");
  lam.firmware = "1.00.61";
  lam.firmware_end = 'x';
  lam.status_main = (1u << 22) | (1u << 23);
  add(lam);
  auto old = queue(u"B");
  old.firmware = "1.00.60";
  old.firmware_end = 'x';
  old.status_main = (1u << 22) | (1u << 23);
  old.lam_error = 1u << 31;  // published but not read
  add(old);
  auto plain = queue(u"C");
  plain.firmware = "1.00.60";
  plain.status_main = 1u << 22;
  add(plain);
  auto ff = queue(u"D");
  ff.status_main = 1u << 22;
  ff.lam_status = 1u << 15;
  add(ff);
  // Bytes 6 and 7 equal and non-zero: nothing to report.
  windows.spooler.set_driver_data(u"D", u"LaminatorStatus", platform::kRegBinary,
                                  {0x00, 0x80, 0, 0, 0x01, 0x00, 0xFF, 0xFF});
  poll();
  ASSERT_EQ(snapshot->count, 4u);
  EXPECT_EQ(view_of(record(0).firmware), u"1.00.61");
  EXPECT_EQ(record(0).has_laminator, 1);
  EXPECT_EQ(record(0).duplex, 0);
  EXPECT_EQ(view_of(record(0).line1), u"   ZELKO-70 L   ");
  EXPECT_EQ(record(1).has_laminator, 0);
  EXPECT_EQ(record(1).duplex, 1);
  EXPECT_EQ(record(1).lam_error, 0u);
  EXPECT_EQ(view_of(record(1).line1), u"   ZELKO-70 D   ");
  EXPECT_EQ(record(2).duplex, 0);
  EXPECT_EQ(record(3).has_laminator, 1);
  EXPECT_EQ(record(3).lam_status, 0u);
  EXPECT_EQ(record(3).lam_error, 0u);
  EXPECT_EQ(view_of(record(3).line2), u"  System Ready  ");
}

TEST_F(StatusPoll, AnyFailedReadLeavesTheQueueOutAndClosesIt) {
  // Walk a failure through every spooler call of one laminator queue, with a
  // healthy queue behind it.
  struct Failure {
    const char* operation;
    int nth;
  };
  const Failure failures[] = {
      {"OpenPrinterW", 1},    {"GetPrinterDataW", 1},   {"GetPrinterDataW", 2},
      {"GetPrinterDataW", 3}, {"GetPrinterDriverW", 1}, {"GetPrinterDataW", 4},
      {"GetPrinterDataW", 5}, {"GetPrinterDataW", 6},   {"GetPrinterDataW", 7}};
  auto lam = queue(u"First");
  lam.status_main = 1u << 22;
  add(lam);
  add(queue(u"Second"));
  for (const Failure& f : failures) {
    windows.faults.clear();
    windows.faults.fail(f.operation, platform::kErrorAccessDenied, f.nth);
    PollDiagnostics diagnostics;
    poll_printer_status(windows.spooler, windows.registry, display, *snapshot, &diagnostics);
    ASSERT_EQ(snapshot->count, 1u) << f.operation << " " << f.nth;
    EXPECT_EQ(queue_of(0), u"Second");
    ASSERT_EQ(diagnostics.skipped.size(), 1u);
    EXPECT_EQ(diagnostics.skipped[0].queue_name, u"First");
    EXPECT_EQ(diagnostics.skipped[0].error, platform::kErrorAccessDenied);
    // Nothing of the failed queue is left behind the count.
    const PrinterStatusRecord zero{};
    EXPECT_EQ(std::memcmp(&record(1), &zero, sizeof zero), 0);
    expect_no_handles_left();
  }
  // The next poll reports it again.
  windows.faults.clear();
  poll();
  EXPECT_EQ(snapshot->count, 2u);
}

TEST_F(StatusPoll, OddValuesGetADefinedOutcome) {
  auto long_serial = queue(u"Long serial");
  long_serial.serial = std::u16string(40, u'9');  // 82 bytes: over the 64-byte limit
  add(long_serial);
  auto number_id = queue(u"Number id");
  add(number_id);
  windows.spooler.set_driver_dword(u"Number id", u"PrinterID", 7);
  auto text_status = queue(u"Text status");
  add(text_status);
  windows.spooler.set_driver_string(u"Text status", u"PrinterStatus", u"ready");
  auto short_status = queue(u"Short status");
  add(short_status);
  windows.spooler.set_driver_data(u"Short status", u"PrinterStatus", platform::kRegBinary,
                                  {0x00, 0x10, 0x00, 0x00});
  auto raw_id = queue(u"T raw id");
  add(raw_id);
  // Unterminated text filling the whole limit.
  std::vector<std::uint8_t> id(64, 0);
  for (std::size_t i = 0; i < 64; i += 2) id[i] = 'A';
  windows.spooler.set_driver_data(u"T raw id", u"PrinterID", platform::kRegBinary, id);
  windows.spooler.set_driver_data(u"T raw id", u"PrinterVersion", platform::kRegBinary,
                                  std::vector<std::uint8_t>(64, '1'));
  windows.spooler.set_driver_data(u"T raw id", u"PrinterType", platform::kRegDword, {0x08});

  PollDiagnostics diagnostics;
  poll_printer_status(windows.spooler, windows.registry, display, *snapshot, &diagnostics);
  ASSERT_EQ(snapshot->count, 2u);
  // A status value shorter than its layout reads as zero beyond its end: no
  // ribbon left.
  EXPECT_EQ(queue_of(0), u"Short status");
  EXPECT_EQ(record(0).status_main, 0x1000u);
  EXPECT_EQ(record(0).ribbon_left, 0);
  EXPECT_EQ(view_of(record(0).line2), u"  Ribbon Zero   ");
  EXPECT_EQ(queue_of(1), u"T raw id");
  EXPECT_EQ(view_of(record(1).printer_id), std::u16string(32, u'A'));
  EXPECT_EQ(view_of(record(1).firmware), std::u16string(63, u'1'));
  EXPECT_EQ(record(1).printer_type, 8u);
  ASSERT_EQ(diagnostics.skipped.size(), 3u);
  EXPECT_EQ(diagnostics.skipped[0].error, platform::kErrorMoreData);
  EXPECT_STREQ(diagnostics.skipped[0].what, "PrinterSerial");
  EXPECT_STREQ(diagnostics.skipped[1].what, "PrinterID type");
  EXPECT_STREQ(diagnostics.skipped[2].what, "PrinterStatus type");
}

TEST_F(StatusPoll, ErrorTextIsPickedUpOnceAndDeleted) {
  add(queue(u"Front desk"));
  add(queue(u"Second desk"));
  windows.spooler.set_driver_string(u"Front desk", u"ErrorMessage", u"Encoding failed");
  windows.spooler.set_driver_string(u"Second desk", u"ErrorMessage", u"Second message");
  poll();
  EXPECT_EQ(snapshot->count, 2u);
  EXPECT_EQ(display.error_pending, 1);
  EXPECT_EQ(view_of(display.error_text), u"Encoding failed");
  EXPECT_FALSE(has_error_message(u"Front desk"));
  // A text waiting to be shown is not overwritten: the second stays put.
  EXPECT_TRUE(has_error_message(u"Second desk"));
  poll();
  EXPECT_EQ(view_of(display.error_text), u"Encoding failed");

  // The tray shows it and clears the flag; the next poll brings the second.
  display.error_pending = 0;
  poll();
  EXPECT_EQ(display.error_pending, 1);
  EXPECT_EQ(view_of(display.error_text), u"Second message");
  EXPECT_FALSE(has_error_message(u"Second desk"));
  display.error_pending = 0;
  display.error_text[0] = 0;
  poll();
  EXPECT_EQ(display.error_pending, 0);
  expect_no_handles_left();
}

TEST_F(StatusPoll, ErrorTextEdgeCases) {
  add(queue(u"Q"));
  // 64 characters without terminator (128 bytes): cut to what error_text holds.
  const std::u16string full(64, u'E');
  std::vector<std::uint8_t> bytes;
  for (char16_t c : full) bytes.insert(bytes.end(), {static_cast<std::uint8_t>(c), 0});
  windows.spooler.set_driver_data(u"Q", u"ErrorMessage", platform::kRegSz, bytes);
  poll();
  EXPECT_EQ(display.error_pending, 1);
  EXPECT_EQ(view_of(display.error_text), std::u16string(63, u'E'));
  display = DisplayState{};

  // Longer than 128 bytes: cannot be read, stays and is not shown.
  windows.spooler.set_driver_string(u"Q", u"ErrorMessage", std::u16string(64, u'L'));
  poll();
  EXPECT_EQ(display.error_pending, 0);
  EXPECT_TRUE(has_error_message(u"Q"));

  // Not a text: left alone, not shown.
  windows.spooler.set_driver_dword(u"Q", u"ErrorMessage", 5);
  poll();
  EXPECT_EQ(display.error_pending, 0);
  EXPECT_TRUE(has_error_message(u"Q"));

  // An empty text is removed but there is nothing to show.
  windows.spooler.set_driver_string(u"Q", u"ErrorMessage", u"");
  poll();
  EXPECT_EQ(display.error_pending, 0);
  EXPECT_FALSE(has_error_message(u"Q"));

  // A text that cannot be deleted is shown once, not on every poll; deleted
  // later, it does not come up again.
  windows.spooler.set_driver_string(u"Q", u"ErrorMessage", u"Ribbon mismatch");
  windows.faults.fail("RegDeleteValueW", platform::kErrorAccessDenied);
  poll();
  EXPECT_EQ(display.error_pending, 1);
  EXPECT_EQ(view_of(display.error_text), u"Ribbon mismatch");
  EXPECT_TRUE(has_error_message(u"Q"));
  EXPECT_EQ(snapshot->count, 1u);
  display.error_pending = 0;
  poll();
  EXPECT_EQ(display.error_pending, 0);
  EXPECT_FALSE(has_error_message(u"Q"));
  // The same words written again are a new message.
  windows.spooler.set_driver_string(u"Q", u"ErrorMessage", u"Ribbon mismatch");
  poll();
  EXPECT_EQ(display.error_pending, 1);
  display = DisplayState{};

  // A standard user's monitor cannot open the driver data with full access:
  // the text comes through the spooler, once per text, and stays.
  windows.registry.standard_user = true;
  windows.spooler.set_driver_string(u"Q", u"ErrorMessage", u"Again");
  poll();
  EXPECT_EQ(display.error_pending, 1);
  EXPECT_EQ(view_of(display.error_text), u"Again");
  EXPECT_EQ(snapshot->count, 1u);
  EXPECT_TRUE(has_error_message(u"Q"));
  display.error_pending = 0;
  poll();
  poll();
  EXPECT_EQ(display.error_pending, 0) << "shown once";
  windows.spooler.set_driver_string(u"Q", u"ErrorMessage", u"Again, later");
  poll();
  EXPECT_EQ(display.error_pending, 1);
  EXPECT_EQ(view_of(display.error_text), u"Again, later");
  display.error_pending = 0;
  // Gone and back with the same words: shown again.
  {
    windows.registry.standard_user = false;  // the driver, not the monitor
    platform::ScopedRegKey key(windows.registry);
    ASSERT_EQ(windows.registry.open_key(platform::kHkeyLocalMachine, driver_data_key(u"Q"),
                                        platform::kKeyAllAccess, key.receive()),
              platform::kErrorSuccess);
    windows.registry.delete_value(key.get(), u"ErrorMessage");
    windows.registry.standard_user = true;
  }
  poll();
  EXPECT_EQ(display.error_pending, 0);
  windows.spooler.set_driver_string(u"Q", u"ErrorMessage", u"Again, later");
  poll();
  EXPECT_EQ(display.error_pending, 1);
  windows.registry.standard_user = false;
  display = DisplayState{};
  windows.faults.clear();
  windows.faults.fail("RegQueryValueExW", platform::kErrorAccessDenied);
  poll();
  EXPECT_EQ(display.error_pending, 0);
  EXPECT_EQ(snapshot->count, 1u);
  expect_no_handles_left();
}

TEST_F(StatusPoll, PendingOffAppliesAtTheFirstMonitoredPrinter) {
  display.off_requested = 1;
  display.mode_popup = 1;
  display.mode_always = 1;
  add(queue(u"Office laser", u"HP LaserJet"));
  poll();
  // No printer of ours yet: the request waits.
  EXPECT_EQ(display.off_requested, 1);
  EXPECT_EQ(display.mode_off, 0);

  add(queue(u"Front desk"));
  windows.spooler.set_driver_string(u"Front desk", u"ErrorMessage", u"Seen even when Off");
  poll();
  EXPECT_EQ(snapshot->count, 0u);
  EXPECT_EQ(display.off_requested, 0);
  EXPECT_EQ(display.mode_off, 1);
  EXPECT_EQ(display.mode_popup, 0);
  EXPECT_EQ(display.mode_always, 0);
  EXPECT_EQ(display.error_pending, 1);
  EXPECT_FALSE(has_error_message(u"Front desk"));
  expect_no_handles_left();

  // A queue whose reads fail does not apply the request.
  display = DisplayState{};
  display.off_requested = 1;
  windows.faults.fail("GetPrinterDataW", platform::kErrorAccessDenied, 1, true);
  poll();
  EXPECT_EQ(display.off_requested, 1);
  EXPECT_EQ(display.mode_off, 0);
}

TEST_F(StatusPoll, AtMost16RecordsOfQueuesThatPassEveryRead) {
  // Two-digit numbers, so that the spooler's name order is the number order.
  for (int i = 10; i < 30; ++i) {
    auto q = queue(numbered(u"Q", i));
    q.status_main = 1u << 12;
    add(q);
  }
  // Q13 cannot be read: Q26 takes the last place; Q27 onwards are not touched.
  windows.spooler.set_driver_data(u"Q13", u"PrinterStatus", platform::kRegBinary,
                                  std::vector<std::uint8_t>(65, 0));
  windows.spooler.set_driver_string(u"Q28", u"ErrorMessage", u"later");
  poll();
  ASSERT_EQ(snapshot->count, 16u);
  EXPECT_EQ(queue_of(2), u"Q12");
  EXPECT_EQ(queue_of(3), u"Q14");
  EXPECT_EQ(queue_of(15), u"Q26");
  for (std::size_t i = 0; i < 16; ++i) EXPECT_EQ(record(i).active, 1);
  EXPECT_EQ(windows.faults.calls("OpenPrinterW"), 17);
  EXPECT_EQ(display.error_pending, 0);
  EXPECT_TRUE(has_error_message(u"Q28"));
  expect_no_handles_left();
}

TEST_F(StatusPoll, EachPollStartsFromNothing) {
  add(queue(u"A"));
  add(queue(u"B"));
  poll();
  ASSERT_EQ(snapshot->count, 2u);
  windows.spooler.remove_queue(u"A");
  poll();
  ASSERT_EQ(snapshot->count, 1u);
  EXPECT_EQ(queue_of(0), u"B");
  const PrinterStatusRecord zero{};
  EXPECT_EQ(std::memcmp(&record(1), &zero, sizeof zero), 0);

  windows.faults.fail("EnumPrintersW", platform::kErrorNotEnoughMemory);
  PollDiagnostics diagnostics;
  poll_printer_status(windows.spooler, windows.registry, display, *snapshot, &diagnostics);
  EXPECT_EQ(snapshot->count, 0u);
  EXPECT_EQ(diagnostics.enumeration_error, platform::kErrorNotEnoughMemory);
  EXPECT_EQ(std::memcmp(&record(0), &zero, sizeof zero), 0);
}

TEST_F(StatusPoll, LongQueueNameIsCutToTheRecord) {
  auto q = queue(std::u16string(300, u'N'));
  add(q);
  poll();
  ASSERT_EQ(snapshot->count, 1u);
  EXPECT_EQ(queue_of(0), std::u16string(255, u'N'));
}

}  // namespace
}  // namespace tessaly
