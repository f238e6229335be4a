// The hook library's two calls (tesshook.dll): a low-level mouse hook that
// posts the registered click message to the given window.
#pragma once

#include "platform/window_types.h"

namespace platform {

class MouseHook {
 public:
  virtual ~MouseHook() = default;
  virtual void set_mouse_hook(WindowId window) = 0;
  virtual void clear_mouse_hook(WindowId window) = 0;
};

}  // namespace platform
