// Other programs' top-level windows (FindWindowW, PostMessageW, SendMessageW).
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/window_messages.h"

namespace platform {

using WindowRef = std::uintptr_t;

class Desktop {
 public:
  virtual ~Desktop() = default;
  virtual WindowRef find_window_by_class(std::u16string_view class_name) = 0;
  virtual WindowRef find_window_by_title(std::u16string_view title) = 0;
  virtual bool post_message(WindowRef window, std::uint32_t message) = 0;
  virtual void send_message(WindowRef window, std::uint32_t message) = 0;
  // EnableWindow of control `control` of dialog `dialog`, callable from any
  // thread; false when the dialog or the control no longer exists.
  virtual bool enable_control(WindowRef dialog, int control, bool enabled) = 0;
  // MessageBoxW without an owner window; returns the button pressed.
  virtual int message_box(std::u16string_view text, std::u16string_view caption,
                          std::uint32_t flags) = 0;
};

}  // namespace platform
