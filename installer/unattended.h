// The unattended mode of Pelmora.exe: the wizard's own steps, in the same
// order and with the same log lines, run without a window. Nothing is shown
// at any point (a message box in a session nobody sees would wait for
// ever): message boxes go to the log and are answered as a user who cannot
// answer would, and the run waits on the platform clock where the wizard
// waits on its timers. Every outcome ends with an exit code of
// command_switches.h and a last log line that carries it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "command_switches.h"
#include "install_log.h"
#include "pelmora_app.h"
#include "platform/dialog_host.h"
#include "platform/platform.h"
#include "step_context.h"
#include "wizard_steps.h"

namespace pelmora {

// A message box nobody sees is answered as a user who cannot answer would:
// OK where OK is the only button (MB_OK), else the safe choice, Cancel.
inline int AnswerUnseen(std::uint32_t flags) {
  return (flags & 0xF) == platform::kMbOk ? platform::kIdOk : platform::kIdCancel;
}

// Where the usage text and the final line go besides the log: the console
// the program was started from, when it has one.
using ConsoleWriter = std::function<void(std::u16string_view text)>;

// One unattended run, and the StepContext of its steps: the status line is
// kept for the log's lines, the progress bar shows nowhere, and the
// pre-install worker's end is waited for directly. The language search
// sees only the command line's language words.
class UnattendedRun : public StepContext {
 public:
  UnattendedRun(platform::Platform& system, WizardSteps& steps, CommandSwitches switches,
                ConsoleWriter console);
  ~UnattendedRun();
  UnattendedRun(const UnattendedRun&) = delete;
  UnattendedRun& operator=(const UnattendedRun&) = delete;

  // Runs the steps; returns the exit code.
  std::uint32_t Run();
  // The network printer selection without a window: the selection dialog's
  // own list and look-up, choosing the listed printer whose id or address
  // is /network's value, else typing the value as a description. Has the
  // shape of a modal dialog runner (template, logic, owner) -> result.
  int RunSelection(int template_id, platform::DialogLogic& logic, platform::WindowRef owner);

  // StepContext
  platform::Platform& platform() override { return system_; }
  InstallLog& log() override { return *log_; }
  const std::shared_ptr<InstallLog>& shared_log() override { return log_; }
  void SetStatusText(std::u16string_view text) override;
  std::u16string StatusText() override { return status_; }
  unsigned StatusWrites() const override { return status_writes_; }
  void SetProgressRange(int, int) override {}
  void SetProgress(int) override {}
  int ShowMessageBox(std::u16string_view text, std::u16string_view caption,
                     std::uint32_t flags) override;
  const char16_t* Text(int row) const override;
  void PumpMessages() override {}
  std::shared_ptr<PreinstallReport> WorkerReport() override;
  platform::WindowRef OwnerWindow() override { return 0; }

 private:
  class Ending;
  bool FindNetworkPrinter();
  bool WaitForWorker();
  std::uint32_t WaitForQueue();
  std::uint32_t End(std::uint32_t code, std::u16string_view outcome, std::u16string_view stopped);

  platform::Platform& system_;
  WizardSteps& steps_;
  CommandSwitches switches_;
  std::shared_ptr<InstallLog> log_;
  // The last line and the worker's report, shared with the worker's thread.
  std::shared_ptr<Ending> ending_;
  int language_index_ = 0;
  std::u16string status_;
  unsigned status_writes_ = 0;
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
// (run mutex, sockets, channel lock) with an UnattendedRun in place of the
// wizard. `prepare` lets the caller wire the network
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
