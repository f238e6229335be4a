// The status poll against the real spooler (Wine's, under wine64), beside a
// bare loop of the same spooler and registry calls through the same ports:
// the ratio is what the poll's own work adds to the spooler's.
//
//   tessaly_wine_bench [ROUNDS]
//
// Needs the queues in place (bench/tessaly_wine_bench.sh seeds 200, 16 of
// them the maker's). Prints one line per measure and the ratio.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "monitor/status_poll.h"
#include "platform_win32/win32_windows.h"

namespace {

using Clock = std::chrono::steady_clock;

// What the poll asks of the spooler for one monitored queue without a
// laminator, and nothing else.
std::uint32_t bare_round(platform::Spooler& spooler, platform::Registry& registry) {
  std::vector<platform::PrinterInfo2> queues;
  if (spooler.enum_local_printers(&queues)) return 0;
  std::uint32_t read = 0;
  for (const auto& queue : queues) {
    if (tessaly::monitored_model_index(queue.driver_name) < 0) continue;
    platform::ScopedRegKey key(registry);
    if (registry.open_key(platform::kHkeyLocalMachine, tessaly::driver_data_key(queue.printer_name),
                          platform::kKeyAllAccess, key.receive()) == platform::kErrorSuccess) {
      platform::RegistryValue message;
      registry.query_value(key.get(), u"ErrorMessage", 128, &message);
    }
    platform::ScopedPrinter printer(spooler);
    platform::PrinterDefaults defaults;
    if (spooler.open_printer(queue.printer_name, &defaults, printer.receive())) continue;
    platform::PrinterDataValue value;
    for (const char16_t* name : {u"PrinterID", u"PrinterSerial", u"PrinterVersion"})
      spooler.get_printer_data(printer.get(), name, 64, &value);
    spooler.get_printer_driver(printer.get(), 6, 16384);
    spooler.get_printer_data(printer.get(), u"PrinterStatus", 64, &value);
    spooler.get_printer_data(printer.get(), u"PrinterType", 4, &value);
    spooler.get_printer_data(printer.get(), u"LockType", 4, &value);
    ++read;
  }
  return read;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  platform_win32::Win32Windows windows;
  tessaly::DisplayState display;
  display.mode_popup = 1;
  auto snapshot = std::make_unique<tessaly::StatusSnapshot>();

  // Warm both paths, then alternate them so that drift hits both alike.
  tessaly::poll_printer_status(windows.platform, display, *snapshot);
  const std::uint32_t read = bare_round(windows.spooler, windows.registry);
  std::printf("queues: %u monitored reported by the poll, %u read by the bare loop\n",
              snapshot->count, read);
  if (snapshot->count != 16 || read != snapshot->count) {
    std::printf("the queues are not in place\n");
    return 1;
  }
  std::vector<double> poll_us, bare_us;
  auto time_poll = [&] {
    const auto start = Clock::now();
    tessaly::poll_printer_status(windows.platform, display, *snapshot);
    poll_us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  };
  auto time_bare = [&] {
    const auto start = Clock::now();
    bare_round(windows.spooler, windows.registry);
    bare_us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  };
  // Either goes first every other round, so neither always follows the other.
  for (int i = 0; i < rounds; ++i) {
    if (i % 2 == 0) {
      time_poll();
      time_bare();
    } else {
      time_bare();
      time_poll();
    }
  }
  const double poll = median(poll_us);
  const double bare = median(bare_us);
  std::printf("poll: %.0f us (median of %d)\n", poll, rounds);
  std::printf("bare spooler calls: %.0f us (median of %d)\n", bare, rounds);
  std::printf("ratio: %.3f\n", poll / bare);
  return 0;
}
