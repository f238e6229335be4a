// What a program with windows asks of the system around them: one instance
// per machine, the common controls, and where the screen leaves room.
#pragma once

#include <string_view>

#include "platform/window_types.h"

namespace platform {

class UiSystem {
 public:
  virtual ~UiSystem() = default;
  // CreateMutexW(initial owner) then ReleaseMutex; the handle stays open for
  // the process. `already_exists` is GetLastError() == ERROR_ALREADY_EXISTS.
  virtual void create_instance_mutex(std::u16string_view name, bool* already_exists) = 0;
  // InitCommonControlsEx with every class (0xFF).
  virtual void init_common_controls() = 0;
  // The primary monitor's work area (GetMonitorInfoW).
  virtual Rect work_area() = 0;
  // The screen's dots per inch (96 at 100 %, 144 at 150 %), as a program
  // that declares itself DPI aware sees it.
  virtual int screen_dpi() = 0;
};

}  // namespace platform
