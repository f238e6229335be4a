// The tray monitor's system on the real Windows: the modal tray dialog and
// the hook library's calls, over the general window system. With
// win32_balloon_window.h and win32_tracking_thread.h, the twin of
// platform_sim's tray window, balloon and tracking thread.
#pragma once

#include <functional>
#include <string_view>
#include <utility>

#include "platform/monitor_system.h"
#include "platform/tray_window.h"
#include "platform_win32/win32_ui_system.h"

namespace platform_win32 {

// The monitor's system: the general window system's calls, the hook
// library's calls and the modal tray dialog.
class Win32MonitorSystem : public platform::MonitorSystem {
 public:
  using HookCall = std::function<void(platform::WindowId)>;
  Win32MonitorSystem(HookCall set_hook, HookCall clear_hook)
      : set_hook_(std::move(set_hook)), clear_hook_(std::move(clear_hook)) {}
  void create_instance_mutex(std::u16string_view name, bool* already_exists) override {
    ui_.create_instance_mutex(name, already_exists);
  }
  void init_common_controls() override { ui_.init_common_controls(); }
  platform::Rect work_area() override { return ui_.work_area(); }
  int screen_dpi() override { return ui_.screen_dpi(); }
  void set_mouse_hook(platform::WindowId window) override;
  void clear_mouse_hook(platform::WindowId window) override;
  int run_tray_window(int dialog_template, platform::TrayWindowLogic& logic) override;

 private:
  Win32UiSystem ui_;
  HookCall set_hook_;
  HookCall clear_hook_;
};

}  // namespace platform_win32
