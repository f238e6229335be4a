// What every window host does, whatever the window: its timers; and for the
// programs' modal windows (the dialogs and the tray window) message boxes
// they own, posting to themselves, ending, and the window's icon pair.
// DialogHost, TrayWindowHost and BalloonWindowHost build on these.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/window_messages.h"

namespace platform {

// MessageBox flags and answers the programs use.
inline constexpr std::uint32_t kMbOk = 0x0;
inline constexpr std::uint32_t kMbOkCancelButtons = 0x1;
inline constexpr std::uint32_t kMbIconError = 0x10;
inline constexpr std::uint32_t kMbIconInformation = 0x40;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// A message box as the program asked for it, for hosts that keep a record
// instead of showing one. `owned` is false for one owned by another window
// than the host's (the focus window), or by none.
struct MessageBoxRecord {
  std::u16string text;
  std::u16string caption;
  std::uint32_t flags = 0;
  bool owned = true;
};

class WindowHost {
 public:
  virtual ~WindowHost() = default;
  // SetTimer: a timer set again starts its period anew.
  virtual bool set_timer(std::uint32_t id, std::uint32_t period_ms) = 0;
  virtual void kill_timer(std::uint32_t id) = 0;
};

class ModalWindowHost : public WindowHost {
 public:
  // A message box owned by the window; returns the button pressed.
  virtual int message_box(std::u16string_view text, std::u16string_view caption,
                          std::uint32_t flags) = 0;
  // PostMessageW to the window; safe from any thread.
  virtual bool post_message(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) = 0;
  // Posts WM_CLOSE; closing ends a modal window.
  void post_close() { post_message(kWmClose, 0, 0); }
  // EndDialog: the modal window ends with `result` once its handler returns.
  virtual void end_dialog(int result) = 0;
  // The window's big and small icon, from an icon resource (WM_SETICON). A
  // host without a screen may ignore it.
  virtual void set_icon(int /*icon_resource*/) {}
};

}  // namespace platform
