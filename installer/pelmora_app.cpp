#include "pelmora_app.h"

#include "exit_codes.h"
#include "install_log.h"
#include "pelmora_dlg.h"
#include "platform/util/format.h"

namespace pelmora {

CPelmoraApp::CPelmoraApp(platform::Platform& platform, WizardSteps& steps, StartupServices services)
    : platform_(platform),
      steps_(steps),
      services_(std::move(services)),
      exit_code_(kExitNoSockets) {}

std::u16string NobodyToAnswer(platform::SystemInfo& system) {
  if (system.session_id() == 0) return u"nobody can answer a window in session 0";
  bool visible = false;
  if (const platform::Win32Error error = system.window_station_visible(&visible))
    return platform::format(
        u"nobody can be known to answer a window: the window station's flags could not be read, "
        u"error %08X",
        {error});
  return visible ? std::u16string()
                 : u"nobody can answer a window: the window station is not visible";
}

bool CPelmoraApp::InitInstance() {
  // Neither the wizard nor a box where nobody can answer them: they would
  // wait for ever. Nothing is changed, not even the run mutex taken.
  if (!services_.run_headless) {
    const std::u16string nobody = NobodyToAnswer(platform_.system);
    if (!nobody.empty()) {
      exit_code_ = kExitBadCommandLine;
      InstallLog log(platform_);
      log.Write(u"start", u"Pelmora " + Quoted(u"" PELMORA_VERSION_TEXT),
                u"not shown, " + nobody + log.ProcessSuffix());
      log.Write(u"end", u"Pelmora",
                u"not shown" + log.ExitCodeSuffix(exit_code_) + log.ProcessSuffix());
      return false;
    }
  }
  // Before anything else: a second run changes nothing. A mutex this
  // caller may not open is one a run of another user (SYSTEM) made. Any
  // other failure leaves the run unguarded rather than not run at all.
  const platform::Win32Error held = platform_.processes.hold_named_mutex(kRunMutexName);
  if (held == platform::kErrorAlreadyExists || held == platform::kErrorAccessDenied) {
    exit_code_ = kExitAnotherRun;
    if (services_.report_another_run) {
      services_.report_another_run();
      return false;
    }
    InstallLog log(platform_);
    log.Write(u"start", u"Pelmora " + Quoted(u"" PELMORA_VERSION_TEXT),
              u"another installation is running" + log.ProcessSuffix());
    platform_.desktop.message_box(kAnotherRunText, u"Pelmora",
                                  platform::kMbOk | platform::kMbIconInformation);
    log.Write(
        u"end", u"Pelmora",
        u"another installation is running" + log.ExitCodeSuffix(exit_code_) + log.ProcessSuffix());
    return false;
  }
  services_.ui.init_common_controls();
  // Without Windows Sockets the program ends silently, before any window.
  if (platform_.sockets.startup() != platform::kErrorSuccess) return false;
  sockets_started_ = true;
  if (services_.create_channel_lock) services_.create_channel_lock();
  channel_lock_created_ = true;

  if (services_.run_headless) {
    exit_code_ = services_.run_headless();
    return false;
  }
  CPelmoraDlg dialog(platform_, steps_);
  main_window_ = &dialog;
  if (services_.run_modal) services_.run_modal(dialog);
  exit_code_ = dialog.ExitCode();
  main_window_ = nullptr;
  return false;
}

int CPelmoraApp::ExitInstance() {
  if (channel_lock_created_ && services_.delete_channel_lock) services_.delete_channel_lock();
  channel_lock_created_ = false;
  if (sockets_started_) platform_.sockets.cleanup();
  sockets_started_ = false;
  return static_cast<int>(exit_code_);
}

}  // namespace pelmora
