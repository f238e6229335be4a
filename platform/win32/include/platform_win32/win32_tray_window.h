// The tray monitor's windows on the real Windows: the modal tray dialog, the
// balloon window with its GDI painting, the single-instance mutex and the
// cursor-tracking thread. The twin of platform_sim/sim_tray_window.h.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/balloon_window.h"
#include "platform/monitor_system.h"
#include "platform/tracking_thread.h"
#include "platform/tray_window.h"
#include "platform/ui_system.h"
#include "platform_win32/win32_window_host.h"

namespace platform_win32 {

// The balloon: a topmost tool window of its own class, created hidden.
class Win32BalloonWindow : public Win32WindowHost<platform::BalloonWindowHost> {
 public:
  Win32BalloonWindow() = default;
  ~Win32BalloonWindow() override;
  Win32BalloonWindow(const Win32BalloonWindow&) = delete;
  Win32BalloonWindow& operator=(const Win32BalloonWindow&) = delete;

  bool create(platform::BalloonWindowLogic& logic) override;
  void detach() override { logic_ = nullptr; }
  void move_window(const platform::Rect& rect, bool repaint) override;
  void show_window(int command) override;
  void bring_to_top() override;
  void invalidate(bool erase) override;
  void paint(const std::function<void(platform::Canvas&)>& draw) override;

  // The window's class name, for finding it from outside.
  static const wchar_t* class_name();
  // Where the window procedure sends the window's messages; null: the
  // default processing only.
  platform::BalloonWindowLogic* logic() const { return logic_; }

 private:
  platform::BalloonWindowLogic* logic_ = nullptr;
};

// Common controls, the single-instance mutex, the work area and the screen's
// resolution: what any program with windows asks of the system.
class Win32UiSystem : public platform::UiSystem {
 public:
  void create_instance_mutex(std::u16string_view name, bool* already_exists) override;
  void init_common_controls() override;
  platform::Rect work_area() override;
  int screen_dpi() override;
};

// The monitor's system: the above, the hook library's calls and the modal
// tray dialog.
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

class Win32TrackingThread : public platform::TrackingThread {
 public:
  Win32TrackingThread();
  ~Win32TrackingThread() override;
  Win32TrackingThread(const Win32TrackingThread&) = delete;
  Win32TrackingThread& operator=(const Win32TrackingThread&) = delete;

  bool create_stop_event() override;
  bool start(std::function<void()> body) override;
  bool running() override;
  Wait wait_stop(std::uint32_t timeout_ms) override;
  void signal_stop() override;
  bool join(std::uint32_t timeout_ms) override;
  void terminate() override;
  void close_thread() override;
  void close_stop_event() override;

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace platform_win32
