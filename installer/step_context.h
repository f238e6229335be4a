// What the step operations see of the installer that runs them: the
// platform, the installation log, the status line, the progress bar and
// the message boxes, the selected model and network printer, the
// pre-install worker and the flags the operations leave for the end of the
// run. The wizard implements it over its window and the unattended run
// without one; nothing in the operations knows the wizard's pages or its
// state machine.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "operations/model_catalogue.h"
#include "platform/platform.h"
#include "platform/window_host.h"

namespace pelmora {

class InstallLog;

// What the pre-install worker tells the installer that started it, from
// its own thread. It may outlive the installer's window: it holds nothing
// of it.
class PreinstallReport {
 public:
  virtual ~PreinstallReport() = default;
  // The package is in the driver store: the installer goes on to Step 3.
  virtual void Succeeded() = 0;
  // A message box owned by no window; returns the button pressed.
  virtual int ShowMessageBox(std::u16string_view text, std::u16string_view caption,
                             std::uint32_t flags) = 0;
  // The package could not be pre-installed: the process ends with `code`.
  virtual void EndProcess(std::uint32_t code) = 0;
};

class StepContext {
 public:
  StepContext(const StepContext&) = delete;
  StepContext& operator=(const StepContext&) = delete;

  virtual platform::Platform& platform() = 0;
  // The installation log; the pre-install worker shares it.
  virtual InstallLog& log() = 0;
  virtual const std::shared_ptr<InstallLog>& shared_log() = 0;
  // Writes the status line and counts the write.
  virtual void SetStatusText(std::u16string_view text) = 0;
  // What the status line says now.
  virtual std::u16string StatusText() = 0;
  // How many times the status line was written, so a failure's log line
  // knows whether the failing operation wrote its own text there.
  virtual unsigned StatusWrites() const = 0;
  // The progress bar: its range, then its position inside it.
  virtual void SetProgressRange(int low, int high) = 0;
  virtual void SetProgress(int position) = 0;
  // A message box of the installer's; returns the button pressed.
  virtual int ShowMessageBox(std::u16string_view text, std::u16string_view caption,
                             std::uint32_t flags) = 0;
  // A row of the localized texts in the chosen language.
  virtual const char16_t* Text(int row) const = 0;
  // Lets the window paint what an operation just wrote.
  virtual void PumpMessages() = 0;
  // Where the pre-install worker reports to, shared with its thread.
  virtual std::shared_ptr<PreinstallReport> WorkerReport() = 0;
  // The window that owns a dialog a step opens (the network printer
  // selection); 0 where there is none.
  virtual platform::WindowRef OwnerWindow() = 0;

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
  // An unattended run: nobody watches, so the operations wait for the
  // spooler's state themselves.
  bool unattended = false;
  // A file in use waits for the next restart to be replaced or deleted:
  // a finished installation ends with kExitRebootRequired.
  bool restartNeeded = false;
  // Step 3 on the network made the printer's TCP/IP port, so a failure was
  // the driver's or the queue's.
  bool networkPortMade = false;

 protected:
  explicit StepContext(platform::Threads& threads) : workerThread(threads) {}
  ~StepContext() = default;
};

}  // namespace pelmora
