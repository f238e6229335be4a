// An unattended run of the installer on a simulated Windows with the
// build's media, driven as the program drives it, with what it wrote to its
// log and console. Nothing is ever shown: no dialog is run and no message
// box opens.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "command_switches.h"
#include "install_scenario.h"
#include "operations/installer_steps.h"
#include "pelmora_dlg.h"
#include "platform_sim/sim_tray_window.h"
#include "support/printui_stand_in.h"
#include "unattended.h"

namespace pelmora::testing {

// What the start and end lines end with: the simulated program's process id.
inline const std::string kOwnProcess = ", process 3120";

struct Quiet {
  explicit Quiet(const std::u16string& arguments, const Desk& desk = kSetupDesk) {
    PrepareInstallation(win, nullptr, desk);
    win.system.arguments = arguments;
    test_support::InstallPrintUiStandIn(win);
  }
  // The printer of `row` is plugged in at the `scan`th device scan.
  void PlugAtScan(int row, int scan) {
    win.devices.on_reenumerate = [this, row, scan] {
      if (++scans == scan) PlugPrinter(win, row);
      win.plug_and_play.reenumerate(win.devices.last_reenumerate_flags);
    };
  }
  // The network search finds `found`, whatever it is asked for.
  void Finds(NetworkSelection found) {
    chooser = [found](NetworkSelection* s) {
      *s = found;
      return true;
    };
  }
  // As the program runs: the wizard where a person can answer and the
  // line names no switch, the unattended run or a refusal otherwise.
  std::uint32_t Run() {
    StartupServices services{ui};
    services.run_modal = [this](platform::DialogLogic&) { return ++shown_dialogs; };
    // The process ends with the run, and with it its hold on the run mutex.
    struct ProcessEnd {
      platform::sim::SimWindows& win;
      ~ProcessEnd() { win.processes.end_own_process(); }
    } process_end{win};
    if (chooser)
      steps.chooseNetworkPrinter = [this](StepContext&, std::u16string_view, std::uint32_t,
                                          NetworkSelection* selection) {
        return chooser(selection);
      };
    return RunInstallerProgram(win.platform, steps, services,
                               [this](std::u16string_view text) { console += text; }, {});
  }
  // The log's lines without their time stamps.
  std::vector<std::string> Lines(std::u16string_view path = kLogPath) {
    std::vector<std::string> bodies;
    for (const auto& line : LogLines(win, path)) bodies.push_back(Body(line));
    return bodies;
  }
  std::string Last() {
    const auto lines = Lines();
    return lines.empty() ? "" : lines.back();
  }
  bool Logged(const std::string& body, std::u16string_view path = kLogPath) {
    return Has(LogLines(win, path), body);
  }
  int MonitorStarts() {
    int starts = 0;
    for (const auto& started : win.processes.started())
      starts += started.command_line == kMonitorRunCommand;
    return starts;
  }
  std::size_t OpenHandles() { return test_support::OpenHandles(win); }
  // Nothing was shown: no dialog ran, and no call showed anything a
  // person would have to answer (a message box, the shell's error box or
  // question, printui's error box).
  void ExpectNothingShown() {
    EXPECT_EQ(shown_dialogs, 0);
    for (const auto& shown : win.desktop.shown_ui())
      ADD_FAILURE() << platform::to_utf8(shown.call)
                    << " showed: " << platform::to_utf8(shown.text);
  }

  platform::sim::SimWindows win;
  platform::sim::SimMonitorSystem ui;
  InstallerSteps steps;
  std::function<bool(NetworkSelection*)> chooser;
  std::u16string console;
  int shown_dialogs = 0;
  int scans = 0;
};

}  // namespace pelmora::testing
