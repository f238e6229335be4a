// What every window host of the Windows build does, written once: timers on
// the window, and for the modal windows (the dialogs, the tray window)
// message boxes they own, posting to themselves, ending, and the window's
// icon pair; and the answers a host gives itself for the messages its
// window's logic leaves alone. Win32DialogHost, the tray window's host and Win32BalloonWindow
// build on these.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/util/message_map.h"
#include "platform/window_host.h"
#include "platform_win32/windows_api.h"

namespace platform_win32 {

// The window's big and small icon from one icon resource, given to the
// window by WM_SETICON and released when replaced or when the pair goes
// (after its window: the window never deletes an icon it was given).
class WindowIconPair {
 public:
  // Keeps the pair given before when either size cannot be loaded.
  void set(HWND window, int icon_resource);
  HICON big() const { return big_.get(); }

 private:
  ScopedIcon big_;
  ScopedIcon small_;
};

int owned_message_box(HWND owner, std::u16string_view text, std::u16string_view caption,
                      std::uint32_t flags);

template <typename Port>
class Win32WindowHost : public Port {
 public:
  explicit Win32WindowHost(HWND window = nullptr) : window_(window) {}

  bool set_timer(std::uint32_t id, std::uint32_t period_ms) override {
    // Without a window SetTimer would make a thread timer nobody handles.
    return window_ != nullptr && SetTimer(window_, id, period_ms, nullptr) != 0;
  }
  void kill_timer(std::uint32_t id) override {
    if (window_ != nullptr) KillTimer(window_, id);
  }

  // The host's own answer for a message the window's logic left alone (the
  // window procedure asks after the logic); none: the default processing.
  virtual std::optional<LRESULT> own_answer(UINT /*message*/, WPARAM /*wparam*/,
                                            LPARAM /*lparam*/) {
    return std::nullopt;
  }

 protected:
  HWND window_;
};

template <typename Port>
class Win32ModalHost : public Win32WindowHost<Port> {
 public:
  using Win32WindowHost<Port>::Win32WindowHost;

  int message_box(std::u16string_view text, std::u16string_view caption,
                  std::uint32_t flags) override {
    return owned_message_box(this->window_, text, caption, flags);
  }
  bool post_message(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override {
    return PostMessageW(this->window_, message, static_cast<WPARAM>(wparam),
                        static_cast<LPARAM>(lparam)) != FALSE;
  }
  void end_dialog(int result) override { EndDialog(this->window_, result); }
  void set_icon(int icon_resource) override { icons_.set(this->window_, icon_resource); }
  // The big icon given by set_icon; null when none.
  HICON big_icon() const { return icons_.big(); }

  // Dragging the minimised window shows the window's icon.
  std::optional<LRESULT> own_answer(UINT message, WPARAM wparam, LPARAM lparam) override {
    if (message == WM_QUERYDRAGICON && big_icon() != nullptr)
      return reinterpret_cast<LRESULT>(big_icon());
    return Win32WindowHost<Port>::own_answer(message, wparam, lparam);
  }

 private:
  WindowIconPair icons_;
};

}  // namespace platform_win32
