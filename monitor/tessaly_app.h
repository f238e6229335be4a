// The monitor's application object: one instance per machine, then the
// hidden tray window, run modally until the monitor ends.
#pragma once

#include "monitor/tessaly_dlg.h"

namespace tessaly {

class CTessalyApp {
 public:
  explicit CTessalyApp(MonitorPorts ports) : ports_(ports) {}
  // Always FALSE: the process ends when the tray window does, and a second
  // instance ends at once.
  bool InitInstance();
  // Whether the tray window ran in this process.
  bool ran() const { return ran_; }
  // The process's exit code: 0, or the error of the Run value's removal
  // when started with kRemoveRunValueArgument.
  std::uint32_t exit_code() const { return exit_code_; }

 private:
  MonitorPorts ports_;
  bool ran_ = false;
  std::uint32_t exit_code_ = 0;
};

}  // namespace tessaly
