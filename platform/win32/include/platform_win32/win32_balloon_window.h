// The tray monitor's balloon on the real Windows, painted with GDI.
#pragma once

#include <functional>
#include <optional>

#include "platform/balloon_window.h"
#include "platform_win32/win32_window_host.h"
#include "platform_win32/window_procedure.h"

namespace platform_win32 {

// The balloon: a topmost tool window of its own class, created hidden. It is
// its window's route too: the logic given at creation, and no answers of
// its own.
class Win32BalloonWindow : public Win32WindowHost<platform::BalloonWindowHost>, public WindowRoute {
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
  // The window's messages go to the logic given at creation; after detach
  // only the default processing is left.
  platform::MessageResult to_logic(const platform::WindowMessage& message) override {
    return logic_ != nullptr ? logic_->handle_message(message) : platform::MessageResult{};
  }
  std::optional<LRESULT> host_answer(UINT message, WPARAM wparam, LPARAM lparam) override {
    return own_answer(message, wparam, lparam);
  }

 private:
  platform::BalloonWindowLogic* logic_ = nullptr;
};

}  // namespace platform_win32
