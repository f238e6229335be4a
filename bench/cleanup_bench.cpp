// Step 1 on a crowded simulated Windows: 2,000 INF files (20 of them the
// model's packages), 100 queues (20 on the model's drivers) and 50 printer
// drivers. The simulated clock makes the 19 s of fixed waits free, so the
// time measured is what the removal itself costs.
#include <benchmark/benchmark.h>

#include <memory>

#include "localized_text.h"
#include "operations/cleanup.h"
#include "operations/installer_steps.h"
#include "operations/model_catalogue.h"
#include "pelmora_dlg.h"
#include "platform/util/format.h"
#include "platform/util/text.h"
#include "platform_sim/sim_dialog_host.h"
#include "platform_sim/sim_windows.h"

namespace {

using namespace pelmora;

std::string Inf(std::u16string_view disk) {
  return "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\n[SourceDisksNames]\r\n"
         "100 = \"" +
         platform::to_utf8(disk) + "\",,,\r\n";
}

struct Crowd {
  Crowd() : host(windows.clock), dialog(windows.platform, steps) {
    for (int id : {IDC_HEADER, IDC_STATUS, IDC_NEXT, IDC_CANCEL_BUTTON, IDC_DETAILS, IDC_PROGRESS,
                   IDC_PICTURE, IDC_PORT_USB, IDC_PORT_TCPIP, IDC_SCAN, IDC_LANGUAGE})
      host.define(id);
    dialog.attach(&host);
    dialog.modelIndex = 0;
    const std::u16string model = ModelCatalogue[0].modelName;
    const std::u16string partner = ModelCatalogue[6].modelName;
    for (int i = 0; i < 2000; ++i)
      windows.shell.put_file(
          platform::format(u"C:\\Windows\\INF\\oem%d.inf", {i}),
          Inf(i % 100 == 0 ? model : platform::format(u"Other printer %d", {i})));
    for (int i = 0; i < 100; ++i)
      windows.spooler.add_queue({platform::format(u"Queue %03d", {i}), u"USB001",
                                 i % 5 == 0 ? (i % 2 ? model : partner) : u"Office driver", 0, 0});
    for (int i = 0; i < 50; ++i)
      windows.spooler.add_driver(i == 0   ? model
                                 : i == 1 ? partner
                                          : platform::format(u"Office driver %d", {i}),
                                 u"Windows NT x86");
    windows.spooler.add_driver(u"Office driver", u"Windows NT x86");
    windows.shell.put_file(u"C:\\Setup\\Bin\\i386\\DIFxCmd.exe", "MZ");
  }
  platform::sim::SimWindows windows;
  platform::sim::SimDialogHost host;
  InstallerSteps steps;
  CPelmoraDlg dialog;
};

void BM_CleanupStepOnACrowdedSystem(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto crowd = std::make_unique<Crowd>();
    state.ResumeTiming();
    const bool ok = RunCleanupStep(crowd->dialog);
    state.PauseTiming();
    if (!ok || crowd->windows.clock.total_slept() != 19000)
      state.SkipWithError("the removal did not run through");
    crowd.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_CleanupStepOnACrowdedSystem)->Unit(benchmark::kMillisecond);

}  // namespace
