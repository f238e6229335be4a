#include "monitor/tessaly_app.h"

namespace tessaly {

bool CTessalyApp::InitInstance() {
  // The elevated copy started by Uninstall: before the single-instance
  // check, as the monitor that started it still runs.
  if (ports_.platform.system.argument_text() == kRemoveRunValueArgument) {
    exit_code_ = remove_run_value(ports_.platform.registry);
    return false;
  }
  bool already_running = false;
  ports_.system.create_instance_mutex(kInstanceMutexName, &already_running);
  if (already_running) return false;
  ports_.system.init_common_controls();
  CTessalyDlg dialog(ports_);
  ran_ = true;
  ports_.system.run_tray_window(dialog.dialog_template(), dialog);
  return false;
}

}  // namespace tessaly
