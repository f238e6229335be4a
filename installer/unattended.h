// The unattended mode of Pelmora.exe: the wizard's own steps, in the same
// order and with the same log lines, driven without a window. Nothing is
// shown at any point (a message box in a session nobody sees would wait for
// ever): the dialog talks to a host without a window, message boxes go to
// the log and are answered as a user who cannot answer would, and the
// wizard's timers run on the platform clock until the run ends. Every
// outcome ends with an exit code of command_switches.h and a last log line
// that carries it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "command_switches.h"
#include "install_log.h"
#include "pelmora_app.h"
#include "platform/platform.h"
#include "platform/util/windowless_dialog_host.h"

namespace pelmora {

class CPelmoraDlg;

// The run's dialog host: the windowless host with a control state made
// the first time a control is named; timers wait on the clock while
// RunTimers runs; message boxes are handed to a callback and answered at
// once (OK where OK is the only button, else Cancel).
class HeadlessHost : public platform::WindowlessDialogHost {
 public:
  using MessageBoxSink = std::function<void(std::u16string_view text, std::u16string_view caption)>;
  HeadlessHost(platform::Clock& clock, MessageBoxSink sink)
      : WindowlessDialogHost(clock, Controls::kOnDemand), sink_(std::move(sink)) {}

  // Nothing waits in a queue: a close ends the run's dialog at once, and
  // nothing else is ever posted to it.
  bool post_message(std::uint32_t message, std::uintptr_t, std::intptr_t) override {
    if (message != platform::kWmClose) return false;
    end_dialog(platform::kIdCancel);
    return true;
  }
  void pump_messages() override {}
  // Not a window handle: a token the run's desktop recognises, so the
  // pre-install worker can signal this host from its thread.
  std::uintptr_t window_ref() override { return reinterpret_cast<std::uintptr_t>(this); }

  // Waits for the timers in deadline order (ties in the order they were
  // set) and dispatches WM_TIMER for each, until `done` holds (true), the
  // dialog ends, no timer is left, or the clock passes `deadline_ms` when
  // that is not 0 (false).
  bool RunTimers(const std::function<void(const platform::WindowMessage&)>& dispatch,
                 const std::function<bool()>& done, std::uint64_t deadline_ms = 0);

 protected:
  int answer_message_box(const platform::MessageBoxRecord& box) override;

 private:
  MessageBoxSink sink_;
};

// Where the usage text and the final line go besides the log: the console
// the program was started from, when it has one.
using ConsoleWriter = std::function<void(std::u16string_view text)>;

// One unattended run. Its platform() is the system's with four ports
// wrapped: the argument text the language search sees, the desktop (no
// message box, the worker's signal reaches the headless host), the
// processes (the worker's ending of the process carries the run's code)
// and the print server (whether the network port and queue were made).
// Build the wizard dialog over platform(), then call Run.
class UnattendedRun {
 public:
  UnattendedRun(platform::Platform& system, CommandSwitches switches, ConsoleWriter console);
  ~UnattendedRun();
  UnattendedRun(const UnattendedRun&) = delete;
  UnattendedRun& operator=(const UnattendedRun&) = delete;

  platform::Platform& platform();
  // Drives the wizard through its steps; returns the exit code.
  std::uint32_t Run(CPelmoraDlg& dialog);
  // The network printer selection without a window: the selection dialog's
  // own list and look-up, choosing the listed printer whose id or address
  // is /network's value, else typing the value as a description. Has the
  // shape of a modal dialog runner (template, logic, owner) -> result.
  int RunSelection(int template_id, platform::DialogLogic& logic, platform::DialogHost& owner);
  // Writes the last line with `code` (once; later calls return the first
  // code) and returns the code.
  std::uint32_t Finish(std::uint32_t code, std::u16string_view outcome);

 private:
  struct Ports;
  std::u16string Area() const;
  void LogMessageBox(std::u16string_view text, std::u16string_view caption);

  platform::Platform& system_;
  CommandSwitches switches_;
  ConsoleWriter console_;
  std::unique_ptr<Ports> ports_;
  std::unique_ptr<HeadlessHost> host_;
  CPelmoraDlg* dialog_ = nullptr;
  std::atomic<int> step_{0};
  // The last line is written once, by whichever thread ends the run.
  std::mutex finish_mutex_;
  bool finished_ = false;
  std::uint32_t finished_code_ = 0;
};

// A refused command line or /?: the reason and the usage text to the log
// and the console, and to a message box only when the text asks for no
// quiet run in any spelling and a person can answer (someone started the
// program by hand). `nobody` is NobodyToAnswer's reason, read once for the
// process (empty: a person can answer). Returns the exit code.
std::uint32_t ReportCommandLine(platform::Platform& platform, const CommandSwitches& switches,
                                const ConsoleWriter& console, std::u16string_view nobody);

// Another run held the run mutex: the start line, the reason and the last
// line to the log, the last line to the console; nothing is shown. Returns
// kExitAnotherRun.
std::uint32_t ReportAnotherRun(platform::Platform& platform, const CommandSwitches& switches,
                               const ConsoleWriter& console);

// The whole unattended program for a command line with switches: a refused
// one or /? is reported; otherwise the installer's usual start-up runs
// (sockets, channel lock) with the wizard driven by an UnattendedRun in
// place of the modal dialog. `prepare` lets the caller wire the network
// printer selection to the run. Returns the process exit code.
std::uint32_t RunUnattendedProgram(platform::Platform& system, WizardSteps& steps,
                                   StartupServices services, const CommandSwitches& switches,
                                   const ConsoleWriter& console,
                                   const std::function<void(UnattendedRun&)>& prepare);

// The program: the command line read; with the switches of an unattended
// run (or anything that asks for one) RunUnattendedProgram; where nobody
// can answer a window, a refusal (kExitBadCommandLine) without one;
// otherwise the wizard, exactly as started by hand. Returns the process
// exit code.
std::uint32_t RunInstallerProgram(platform::Platform& system, WizardSteps& steps,
                                  StartupServices services, const ConsoleWriter& console,
                                  const std::function<void(UnattendedRun&)>& prepare);

}  // namespace pelmora
