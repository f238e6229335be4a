// What every window host of the Windows build does, written once: timers on
// the window, and for the modal windows (the dialogs, the tray window)
// message boxes they own, posting to themselves, ending, and the window's
// icon pair. Win32DialogHost, the tray window's host and Win32BalloonWindow
// build on these.
#pragma once

#include <cstdint>
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

// A dialog procedure's answer for a message its logic saw: FALSE for the
// default processing; the result itself for the messages whose result a
// dialog procedure returns directly (WM_QUERYDRAGICON, WM_CTLCOLOR*, ...);
// otherwise TRUE with the result in DWLP_MSGRESULT.
INT_PTR dialog_procedure_answer(HWND window, UINT message, const platform::MessageResult& result);

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

 private:
  WindowIconPair icons_;
};

}  // namespace platform_win32
