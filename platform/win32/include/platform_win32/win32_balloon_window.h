// The tray monitor's balloon on the real Windows, painted with GDI.
#pragma once

#include <functional>

#include "platform/balloon_window.h"
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

}  // namespace platform_win32
