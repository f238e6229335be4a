#include "pelmora_app.h"

#include "exit_codes.h"
#include "pelmora_dlg.h"

namespace pelmora {

CPelmoraApp::CPelmoraApp(platform::Platform& platform, WizardSteps& steps, StartupServices services)
    : platform_(platform), steps_(steps), services_(std::move(services)), exit_code_(kExitFailed) {}

bool CPelmoraApp::InitInstance() {
  if (services_.init_common_controls) services_.init_common_controls();
  // Without Windows Sockets the program ends silently, before any window.
  if (services_.init_sockets && !services_.init_sockets()) return false;
  sockets_started_ = true;
  if (services_.create_channel_lock) services_.create_channel_lock();
  channel_lock_created_ = true;

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
  if (sockets_started_ && services_.cleanup_sockets) services_.cleanup_sockets();
  sockets_started_ = false;
  return exit_code_;
}

}  // namespace pelmora
