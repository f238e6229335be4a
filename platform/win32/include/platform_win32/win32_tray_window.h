// The tray monitor's windows on the real Windows: the modal tray dialog, the
// balloon window with its GDI painting, the single-instance mutex and the
// cursor-tracking thread. The twin of platform_sim/sim_tray_window.h.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/tray_window.h"

namespace platform_win32 {

// The balloon: a topmost tool window of its own class, created hidden.
class Win32BalloonWindow : public platform::BalloonWindowHost {
 public:
  Win32BalloonWindow();
  ~Win32BalloonWindow() override;
  Win32BalloonWindow(const Win32BalloonWindow&) = delete;
  Win32BalloonWindow& operator=(const Win32BalloonWindow&) = delete;

  bool create() override;
  bool set_timer(std::uint32_t id, std::uint32_t period_ms) override;
  void kill_timer(std::uint32_t id) override;
  void move_window(const platform::Rect& rect, bool repaint) override;
  void show_window(int command) override;
  void bring_to_top() override;
  void invalidate(bool erase) override;

  // The window's class name, for finding it from outside.
  static const wchar_t* class_name();
  std::function<void(std::uint32_t id)> on_timer;
  std::function<void(platform::Canvas& canvas)> on_paint;

  struct State;

 private:
  std::unique_ptr<State> state_;
};

// Mutex, common controls, work area, the hook library's calls and the modal
// tray dialog.
class Win32MonitorSystem : public platform::MonitorSystem {
 public:
  using HookCall = std::function<void(platform::WindowId)>;
  Win32MonitorSystem(HookCall set_hook, HookCall clear_hook)
      : set_hook_(std::move(set_hook)), clear_hook_(std::move(clear_hook)) {}
  void create_instance_mutex(std::u16string_view name, bool* already_exists) override;
  void init_common_controls() override;
  platform::Rect work_area() override;
  int screen_dpi() override;
  void set_mouse_hook(platform::WindowId window) override;
  void clear_mouse_hook(platform::WindowId window) override;
  int run_tray_window(int dialog_template, platform::TrayWindowLogic& logic) override;

 private:
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
