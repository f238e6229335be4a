// The general window system on the real Windows, for both programs.
#pragma once

#include <string_view>

#include "platform/ui_system.h"

namespace platform_win32 {

// Common controls, the single-instance mutex, the work area and the screen's
// resolution: what any program with windows asks of the system.
class Win32UiSystem : public platform::UiSystem {
 public:
  void create_instance_mutex(std::u16string_view name, bool* already_exists) override;
  void init_common_controls() override;
  platform::Rect work_area() override;
  int screen_dpi() override;
};

}  // namespace platform_win32
