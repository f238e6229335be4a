#include "monitor/status_poll.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "monitor/driver_data.h"
#include "platform/util/text.h"
#include "platform_sim/sim_windows.h"
#include "status_poll_fixture.h"
#include "support/simulated_queue.h"

namespace tessaly::testing {
namespace {

TEST_F(StatusPoll, MonitorsOnlyExactDriverNamesInSpoolerOrder) {
  add(queue(u"Office laser", u"HP LaserJet"));
  add(queue(u"Lower case", u"orvane zelko-70 card printer"));
  add({.queue_name = u"A front desk", .status_main = 1u << 22, .lam_status = 1u << 15});
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

TEST_F(StatusPoll, EveryRowOfTheDriverTableIsMonitoredAsItsOwnModel) {
  for (int i = 0; i < kModelTableSize; ++i) {
    SCOPED_TRACE(i);
    platform::sim::SimWindows desk;
    SimulatedQueue q = queue(u"Card printer", kMonitoredDriverNames[i]);
    // Rows 6 and 7 repeat the drivers of rows 0 and 1: a serial marked "CH"
    // reaches them.
    if (i == 6 || i == 7) q.serial = u"00CH0001";
    add_simulated_queue(desk, q);
    poll_printer_status(desk.platform, display, *snapshot);
    ASSERT_EQ(snapshot->count, 1u);
    EXPECT_EQ(record(0).model_index, i);
  }
}

TEST_F(StatusPoll, OpensForUseAndAsksForTheDriverAtLevel6WithinTheLimits) {
  add(queue(u"Front desk"));
  RecordingSpooler spooler(windows.spooler);
  add({.queue_name = u"Laminating", .status_main = 1u << 22});
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
  Error get_printer_driver(Handle h, std::uint32_t level, std::size_t bytes) override {
    ++caller_calls;
    RecordingSpooler::get_printer_driver(h, level, bytes);
    return caller_error;
  }
  Error get_printer_driver_native(Handle, std::uint32_t level, std::size_t bytes) override {
    ++native_calls;
    native_level = level;
    native_bytes = bytes;
    return native_error;
  }
  Error caller_error = platform::kErrorUnknownPrinterDriver;
  Error native_error = platform::kErrorSuccess;
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

  // The same on the simulated 64-bit Windows itself, whose queues have their
  // driver for x64 only, as Plug and Play installs it.
  platform::sim::SimWindows desk;
  desk.system.wow64 = true;
  add_simulated_queue(desk, queue(u"Front desk"));
  ASSERT_FALSE(desk.spooler.has_driver_in(kZelko70, platform::kEnvironmentX86));
  poll_printer_status(desk.platform, display, *snapshot);
  EXPECT_EQ(snapshot->count, 1u);
}

TEST_F(StatusPoll, OfflineQueueIsReportedWithABlankPanel) {
  add({.queue_name = u"Front desk", .offline = true, .status_main = 1u << 12});
  poll();
  ASSERT_EQ(snapshot->count, 1u);
  EXPECT_EQ(record(0).online, 0);
  EXPECT_EQ(record(0).active, 0);
  EXPECT_EQ(view_of(record(0).line1), u"                ");
  EXPECT_EQ(view_of(record(0).line3), u"");
}

TEST_F(StatusPoll, SerialMarksTheChVariantsAndThePanelKind) {
  add({.queue_name = u"A", .driver_name = kZelko70, .serial = u"12CH3456"});
  add({.queue_name = u"B", .driver_name = kZelko40, .serial = u"12CH3456"});
  add({.queue_name = u"C", .driver_name = u"VANTO-70 Card Printer", .serial = u"12CH3456"});
  add({.queue_name = u"D", .driver_name = kZelko70, .serial = u"12ch3456"});  // letter case matters
  // Too short to carry the mark; a one-key panel.
  add({.queue_name = u"E", .driver_name = kZelko70, .serial = u"3CH"});
  add({.queue_name = u"F", .driver_name = kZelko70, .serial = u""});
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
  constexpr std::uint32_t kLamAndDual = (1u << 22) | (1u << 23);
  add({.queue_name = u"A", .firmware = "1.00.61", .firmware_end = 'x', .status_main = kLamAndDual});
  // The laminator's error word published but not read.
  add({.queue_name = u"B",
       .firmware = "1.00.60",
       .firmware_end = 'x',
       .status_main = kLamAndDual,
       .lam_error = 1u << 31});
  add({.queue_name = u"C", .firmware = "1.00.60", .status_main = 1u << 22});
  add({.queue_name = u"D", .status_main = 1u << 22, .lam_status = 1u << 15});
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
  // 82 bytes: over the 64-byte limit.
  add({.queue_name = u"Long serial", .serial = std::u16string(40, u'9')});
  add(queue(u"Number id"));
  windows.spooler.set_driver_dword(u"Number id", u"PrinterID", 7);
  add(queue(u"Text status"));
  windows.spooler.set_driver_string(u"Text status", u"PrinterStatus", u"ready");
  add(queue(u"Short status"));
  windows.spooler.set_driver_data(u"Short status", u"PrinterStatus", platform::kRegBinary,
                                  {0x00, 0x10, 0x00, 0x00});
  add(queue(u"T raw id"));
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
  for (int i = 10; i < 30; ++i) add({.queue_name = numbered(u"Q", i), .status_main = 1u << 12});
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
  add(queue(std::u16string(300, u'N')));
  poll();
  ASSERT_EQ(snapshot->count, 1u);
  EXPECT_EQ(queue_of(0), std::u16string(255, u'N'));
}

}  // namespace
}  // namespace tessaly::testing
