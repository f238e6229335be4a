// What the monitor needs from the system beyond its windows' hosts: the
// general ports of a program with windows, the hook library, and the modal
// run of its tray window. One object, as the monitor's entry point builds
// it; each part is a port of its own.
#pragma once

#include "platform/mouse_hook.h"
#include "platform/tray_window.h"
#include "platform/ui_system.h"

namespace platform {

class TrayWindowRunner {
 public:
  virtual ~TrayWindowRunner() = default;
  // Runs the modal tray window; returns when it ends.
  virtual int run_tray_window(int dialog_template, TrayWindowLogic& logic) = 0;
};

class MonitorSystem : public UiSystem, public MouseHook, public TrayWindowRunner {};

}  // namespace platform
