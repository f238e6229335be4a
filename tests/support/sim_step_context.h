// The step operations' context on a simulated Windows, without the wizard:
// the page's controls as the wizard's template defines them, in a window
// the pre-install worker reaches through the desktop; the installation log;
// the texts of the first language.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "localized_text.h"
#include "platform_sim/sim_dialog_host.h"
#include "platform_sim/sim_windows.h"
#include "resources/pelmora_ids.h"
#include "support/resource_templates.h"
#include "window_step_context.h"

namespace test_support {

// What the status line said each time the queue was pumped: a step writes
// its progress text first, so that the pump paints it. "(no text)" for a
// pump that did not follow a status text.
inline std::vector<std::u16string> StatusBeforePumps(const platform::sim::SimDialogHost& host) {
  using Event = platform::sim::SimDialogHost::Event;
  std::vector<std::u16string> texts;
  const std::vector<Event> history = host.history();
  for (std::size_t i = 0; i < history.size(); ++i) {
    if (history[i].kind != Event::Pump) continue;
    const bool after_status =
        i > 0 && history[i - 1].kind == Event::SetText && history[i - 1].control == IDC_STATUS;
    texts.push_back(after_status ? history[i - 1].text : u"(no text)");
  }
  return texts;
}

// Every handle the simulated Windows has given out and not had back.
inline std::size_t OpenHandles(const platform::sim::SimWindows& win) {
  return win.spooler.open_handles() + win.registry.open_handles() + win.processes.open_handles() +
         win.setup_api.open_handles() + win.services.open_handles() + win.devices.open_sets() +
         win.threads.open_handles() + win.sockets.open_sockets();
}

class SimStepContext : public pelmora::WindowStepContext {
 public:
  explicit SimStepContext(platform::sim::SimWindows& win, int model = pelmora::MODEL_NONE)
      : WindowStepContext(win.platform),
        window(win.clock, win.desktop),
        clock_(win.clock),
        shell_(win.shell) {
    DefineTemplate(window, "IDD_PELMORA_DIALOG");
    host_ = &window;
    modelIndex = model;
  }

  const char16_t* Text(int row) const override { return pelmora::GetLocalizedText(row, 0); }
  void SetProgress(int position) override {
    progress_times.push_back(clock_.now_ms());
    WindowStepContext::SetProgress(position);
  }

  // The worker's report, noting what the log held when it reported success.
  std::shared_ptr<pelmora::PreinstallReport> WorkerReport() override {
    struct Noted : pelmora::WindowPreinstallReport {
      explicit Noted(SimStepContext& c)
          : WindowPreinstallReport(c.platform(), c.OwnerWindow()), context(c) {}
      void Succeeded() override {
        context.log_at_success = context.shell_.file_contents(context.log().Path());
        WindowPreinstallReport::Succeeded();
      }
      SimStepContext& context;
    };
    return std::make_shared<Noted>(*this);
  }

  platform::sim::SimDialogHost window;
  // When each progress position was set, on the virtual clock.
  std::vector<std::uint64_t> progress_times;
  std::string log_at_success;

 private:
  platform::sim::SimClock& clock_;
  platform::sim::SimShell& shell_;
};

}  // namespace test_support
