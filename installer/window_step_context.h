// The step context of an installer with a window: the status line
// (IDC_STATUS), the progress bar (IDC_PROGRESS) and the message boxes are
// the window's, and the pre-install worker's success enables its Cancel
// button. The wizard is one; the operations' tests run them in another.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "install_log.h"
#include "platform/dialog_host.h"
#include "platform/platform.h"
#include "resources/pelmora_ids.h"
#include "step_context.h"

namespace pelmora {

// The report of a worker started from a window: its success enables the
// window's Cancel button, its boxes open on the desktop, and it ends the
// process itself.
class WindowPreinstallReport : public PreinstallReport {
 public:
  WindowPreinstallReport(platform::Platform& platform, platform::WindowRef window)
      : platform_(platform), window_(window) {}
  void Succeeded() override { platform_.desktop.enable_control(window_, IDC_CANCEL_BUTTON, true); }
  int ShowMessageBox(std::u16string_view text, std::u16string_view caption,
                     std::uint32_t flags) override {
    return platform_.desktop.message_box(text, caption, flags);
  }
  void EndProcess(std::uint32_t code) override { platform_.processes.exit_current_process(code); }

 private:
  platform::Platform& platform_;
  platform::WindowRef window_;
};

class WindowStepContext : public StepContext {
 public:
  platform::Platform& platform() override { return platform_; }
  InstallLog& log() override { return *log_; }
  const std::shared_ptr<InstallLog>& shared_log() override { return log_; }
  void SetStatusText(std::u16string_view text) override {
    ++status_writes_;
    host_->set_text(IDC_STATUS, text);
  }
  std::u16string StatusText() override { return host_->text(IDC_STATUS); }
  unsigned StatusWrites() const override { return status_writes_; }
  void SetProgressRange(int low, int high) override {
    host_->progress_range(IDC_PROGRESS, low, high);
  }
  void SetProgress(int position) override { host_->progress_position(IDC_PROGRESS, position); }
  int ShowMessageBox(std::u16string_view text, std::u16string_view caption,
                     std::uint32_t flags) override {
    return host_->message_box(text, caption, flags);
  }
  void PumpMessages() override { host_->pump_messages(); }
  // The worker reaches the window by its reference, which outlives the
  // window: a window that is gone takes nothing.
  std::shared_ptr<PreinstallReport> WorkerReport() override {
    return std::make_shared<WindowPreinstallReport>(platform_, host_->window_ref());
  }
  platform::WindowRef OwnerWindow() override { return host_->window_ref(); }

 protected:
  explicit WindowStepContext(platform::Platform& platform)
      : StepContext(platform.threads),
        platform_(platform),
        log_(std::make_shared<InstallLog>(platform)) {}
  ~WindowStepContext() = default;

  platform::Platform& platform_;
  // The window; set before any step runs.
  platform::DialogHost* host_ = nullptr;
  std::shared_ptr<InstallLog> log_;

 private:
  unsigned status_writes_ = 0;
};

}  // namespace pelmora
