// The monitor's status poll runs on every 20 ms step of the balloon while a
// printer is active, so one poll must stay far below that.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "monitor/panel_text.h"
#include "monitor/status_poll.h"
#include "platform/util/text.h"
#include "support/numbered.h"
#include "support/simulated_queue.h"

namespace tessaly {
namespace {

using test_support::numbered;

// 200 local queues, 16 of them the maker's (every 12th, some with a
// laminator), the rest other printers.
void fill_spooler(platform::sim::SimWindows& windows) {
  int monitored = 0;
  for (int i = 0; i < 200; ++i) {
    SimulatedQueue q;
    q.queue_name = numbered(u"Queue ", i);
    if (i % 12 == 5 && monitored < 16) {
      q.driver_name = kMonitoredDriverNames[monitored % kModelTableSize];
      if (monitored % 4 == 0) q.status_main = 1u << 22;
      if (monitored % 3 == 0) q.status_main |= 1u << 12;
      ++monitored;
      add_simulated_queue(windows, q);
    } else {
      platform::PrinterInfo2 info;
      info.printer_name = q.queue_name;
      info.port_name = u"LPT1:";
      info.driver_name = numbered(u"Generic Office Laser ", i % 7);
      windows.spooler.add_queue(info);
    }
  }
}

void BM_PollSixteenMonitoredAmong200(benchmark::State& state) {
  platform::sim::SimWindows windows;
  fill_spooler(windows);
  DisplayState display;
  auto snapshot = std::make_unique<StatusSnapshot>();
  for (auto _ : state) {
    poll_printer_status(windows.platform, display, *snapshot);
    benchmark::DoNotOptimize(snapshot->count);
  }
  if (snapshot->count != 16) state.SkipWithError("expected 16 records");
  state.SetItemsProcessed(state.iterations() * 16);
}
BENCHMARK(BM_PollSixteenMonitoredAmong200)->Unit(benchmark::kMicrosecond);

// One record for each of the 25 panel rules, on both panel kinds.
std::vector<PrinterStatusRecord> records_for_every_rule() {
  auto base = [] {
    PrinterStatusRecord r{};
    r.online = 1;
    r.ribbon_left = 100;
    r.two_key_panel = 1;
    platform::copy_truncated(r.firmware, u"1.00.61");
    return r;
  };
  std::vector<PrinterStatusRecord> records(25, base());
  records[0].online = 0;
  records[1].status_error = 1u << 18;
  records[2].status_main = 1u << 29;
  records[3].status_main = 1u << 29;
  records[3].status_error = 1u << 9;
  records[4].has_laminator = 1;
  records[4].lam_status = 1u << 15;
  const std::uint32_t lam_errors[] = {1u << 16, 1u << 31, 1u << 0,  1u << 4, 1u << 6,
                                      1u << 8,  1u << 9,  1u << 10, 1u << 17};
  for (int i = 0; i < 9; ++i) {
    records[5 + i].has_laminator = 1;
    records[5 + i].lam_error = lam_errors[i];
  }
  records[14].status_error = 1u << 20;
  records[15].status_error = 1u << 28;
  records[16].ribbon_left = 0;
  records[17].status_main = 1u << 19;
  records[18].status_main = 1u << 12;
  records[19].status_main = 1u << 31;
  records[20].two_key_panel = 0;
  records[20].status_error = 1u << 2;
  records[21].status_main = 1u << 28;
  records[22].status_error = 1u << 7;
  records[23].status_error = 1u << 14;
  std::vector<PrinterStatusRecord> both = records;
  for (auto r : records) {
    if (r.status_error != (1u << 2)) r.two_key_panel = 0;
    both.push_back(r);
  }
  return both;
}

void BM_ComposePanelTextEveryRule(benchmark::State& state) {
  std::vector<PrinterStatusRecord> records = records_for_every_rule();
  for (int i = 0; i < 25; ++i)
    if (panel_rule(records[i]) != i + 1) state.SkipWithError("record does not match its rule");
  for (auto _ : state) {
    for (auto& r : records) {
      compose_panel_text(r);
      benchmark::DoNotOptimize(r.line1[0]);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(records.size()));
}
BENCHMARK(BM_ComposePanelTextEveryRule)->Unit(benchmark::kNanosecond);

}  // namespace
}  // namespace tessaly
