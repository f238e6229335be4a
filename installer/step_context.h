// What the step operations see of the installer that runs them: the
// platform, the installation log, the status line and the progress bar of
// the page, the selected model and network printer, the pre-install worker
// and the flags the operations leave for the end of the run. The wizard
// implements it; nothing in the operations knows the wizard's pages or its
// state machine.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "operations/model_catalogue.h"
#include "platform/dialog_host.h"
#include "platform/platform.h"

namespace pelmora {

class InstallLog;

class StepContext {
 public:
  StepContext(const StepContext&) = delete;
  StepContext& operator=(const StepContext&) = delete;

  virtual platform::Platform& platform() = 0;
  // The page's window: its status line (IDC_STATUS), progress bar
  // (IDC_PROGRESS) and message boxes; the pre-install worker posts to it.
  virtual platform::DialogHost& host() = 0;
  // The installation log; the pre-install worker shares it.
  virtual InstallLog& log() = 0;
  virtual const std::shared_ptr<InstallLog>& shared_log() = 0;
  // Writes the status line and counts the write.
  virtual void SetStatusText(std::u16string_view text) = 0;
  // How many times the status line was written, so a failure's log line
  // knows whether the failing operation wrote its own text there.
  virtual unsigned statusWrites() const = 0;
  // A row of the localized texts in the chosen language.
  virtual const char16_t* Text(int row) const = 0;
  // Lets the window paint what an operation just wrote.
  virtual void PumpMessages() = 0;

  // The selected catalogue row; MODEL_NONE when none was chosen, and Step 1
  // then removes the traces of every model.
  int modelIndex = MODEL_NONE;
  // The chosen network printer, for Step 3 on the network.
  char16_t networkAddress[32] = {};
  int networkPortNumber = 0;
  // The started pre-install worker's handle, or none.
  platform::ScopedThread workerThread;
  // Whether Step 2 starts the monitor; not where nobody logs on (session 0).
  bool startMonitor = true;
  // An unattended run drives the wizard without showing it: nobody watches,
  // so the operations wait for the spooler's state themselves, and the
  // wizard's closing line says where the run stopped, not which page was
  // closed.
  bool unattended = false;
  // A file in use waits for the next restart to be replaced or deleted:
  // a finished installation ends with kExitRebootRequired.
  bool restartNeeded = false;

 protected:
  explicit StepContext(platform::Threads& threads) : workerThread(threads) {}
  ~StepContext() = default;
};

}  // namespace pelmora
