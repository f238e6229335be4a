// The installer process: start-up runs the wizard as a modal dialog, and the
// process ends when it closes.
#pragma once

#include <functional>
#include <string>

#include "platform/dialog_host.h"
#include "platform/platform.h"
#include "platform/ui_system.h"
#include "wizard_steps.h"

namespace pelmora {

class CPelmoraDlg;

// One installer run at a time on the machine, whoever started it and in
// whichever session: each run holds this mutex from its start to the end of
// its process.
inline constexpr char16_t kRunMutexName[] = u"Global\\Pelmora.Installer.Run";
// What the wizard shows when it finds another run going.
inline constexpr char16_t kAnotherRunText[] =
    u"Another installation is running on this computer. Wait until it has ended, then start "
    u"Pelmora again.";

// What start-up needs beside the platform: the system's UI port (the
// common controls), the Windows-only set-up steps and the modal dialog
// loop. The Windows entry point fills these with the real calls; tests with
// the simulated port and stand-ins.
struct StartupServices {
  explicit StartupServices(platform::UiSystem& system) : ui(system) {}

  platform::UiSystem& ui;
  std::function<void()> create_channel_lock;  // the network channel lock
  std::function<void()> delete_channel_lock;
  std::function<int(platform::DialogLogic&)> run_modal;  // runs template 102 modally
  // Another run holds the run mutex: reports it in place of the wizard's
  // log lines and message box (an unattended run shows nothing).
  std::function<void()> report_another_run;
  // Runs in the wizard's place, with no window, and gives the exit code
  // (the unattended run). Where nobody could answer a window, it still runs.
  std::function<std::uint32_t()> run_headless;
};

// Why nobody can answer a window this process shows: it runs in session 0
// (a service's, SYSTEM's), or its window station is not visible (a
// service's own, which the programs a deployment agent starts inherit), or
// that could not be found out. Empty when a person can answer. Whatever
// the command line says, such a process shows no window and no message box.
std::u16string NobodyToAnswer(platform::SystemInfo& system);

class CPelmoraApp {
 public:
  CPelmoraApp(platform::Platform& platform, WizardSteps& steps, StartupServices services);
  virtual ~CPelmoraApp() = default;

  // Returns false so that the process ends once the wizard has closed.
  virtual bool InitInstance();
  // Its result is the process exit code: the wizard's (exit_codes.h),
  // kExitAnotherRun when another run held the run mutex, kExitNoSockets
  // when Windows Sockets could not be started, or kExitBadCommandLine when
  // nobody could have answered the wizard (NobodyToAnswer), which is then
  // not shown.
  virtual int ExitInstance();

  // The wizard while it is open.
  CPelmoraDlg* main_window() const { return main_window_; }
  bool channel_lock_created() const { return channel_lock_created_; }

 private:
  platform::Platform& platform_;
  WizardSteps& steps_;
  StartupServices services_;
  CPelmoraDlg* main_window_ = nullptr;
  bool sockets_started_ = false;
  bool channel_lock_created_ = false;
  std::uint32_t exit_code_;
};

}  // namespace pelmora
