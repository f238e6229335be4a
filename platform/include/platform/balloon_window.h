// The balloon's window: a top-level popup without owner. Its messages go to
// the logic given at creation, through the logic's message map; it paints
// on a canvas the host hands out for WM_PAINT.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/canvas.h"
#include "platform/util/message_map.h"
#include "platform/window_host.h"
#include "platform/window_types.h"

namespace platform {

class BalloonWindowHost;
using BalloonWindowLogic = WindowLogic<BalloonWindowHost>;

class BalloonWindowHost : public WindowHost {
 public:
  // Registers the window class and creates the hidden window, whose messages
  // go to `logic` from then on.
  virtual bool create(BalloonWindowLogic& logic) = 0;
  // The logic goes: the window stays until the host goes, with the default
  // processing only.
  virtual void detach() = 0;
  virtual void move_window(const Rect& rect, bool repaint) = 0;
  virtual void show_window(int command) = 0;
  virtual void bring_to_top() = 0;
  virtual void invalidate(bool erase) = 0;
  // For WM_PAINT: the window's invalid part is drawn by `draw` and then
  // validated.
  virtual void paint(const std::function<void(Canvas&)>& draw) = 0;
};

}  // namespace platform
