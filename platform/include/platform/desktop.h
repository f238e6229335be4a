// Other programs' top-level windows (FindWindowW, PostMessageW, SendMessageW).
#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

using WindowRef = std::uintptr_t;

inline constexpr std::uint32_t kWmPaint = 0x000F;

class Desktop {
 public:
  virtual ~Desktop() = default;
  virtual WindowRef find_window_by_class(std::u16string_view class_name) = 0;
  virtual WindowRef find_window_by_title(std::u16string_view title) = 0;
  virtual bool post_message(WindowRef window, std::uint32_t message) = 0;
  virtual void send_message(WindowRef window, std::uint32_t message) = 0;
};

}  // namespace platform
