// The balloon without a window: it records its moves and shows, and paints
// on a canvas that records every drawing call.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/balloon_window.h"
#include "platform/canvas.h"
#include "platform_sim/sim_window_timers.h"

namespace platform::sim {

// Drawing, recorded call by call with the state in force at each call.
class RecordingCanvas : public Canvas {
 public:
  struct Font {
    std::u16string face;
    int height = 0;
    int weight = 0;
    int char_set = 0;
    int pitch_and_family = 0;
  };
  struct Fill {
    Rect rect;
    std::uint32_t color;
  };
  struct Text {
    std::u16string text;
    Rect rect;
    std::uint32_t flags;
    Font font;
    std::uint32_t color;
    bool transparent;
  };

  GdiRef create_font(std::u16string_view face, int height, int weight, int char_set,
                     int pitch_and_family) override;
  void release_font(GdiRef font) override;
  GdiRef create_brush(std::uint32_t color) override;
  void release_brush(GdiRef brush) override;
  void select_font(GdiRef font) override { font_ = font; }
  void set_text_color(std::uint32_t color) override { color_ = color; }
  void set_transparent_background() override { transparent_ = true; }
  void fill_rect(const Rect& rect, GdiRef brush) override;
  void draw_text(std::u16string_view text, const Rect& rect, std::uint32_t flags) override;

  std::vector<Fill> fills;
  std::vector<Text> texts;
  int fonts_created = 0;
  int brushes_created = 0;
  int live_objects() const { return static_cast<int>(fonts_.size() + brushes_.size()); }

 private:
  std::map<GdiRef, Font> fonts_;
  std::map<GdiRef, std::uint32_t> brushes_;
  GdiRef next_ = 0x100;
  GdiRef font_ = 0;
  std::uint32_t color_ = 0;
  bool transparent_ = false;
};

class SimBalloonWindow : public BalloonWindowHost {
 public:
  explicit SimBalloonWindow(SimTimers& timers);
  bool create(BalloonWindowLogic& logic) override;
  void detach() override { logic_ = nullptr; }
  bool set_timer(std::uint32_t id, std::uint32_t period_ms) override;
  void kill_timer(std::uint32_t id) override;
  void move_window(const Rect& rect, bool repaint) override;
  void show_window(int command) override { shows.push_back(command); }
  void bring_to_top() override { ++brought_to_top; }
  void invalidate(bool erase) override {
    ++invalidations;
    last_erase = erase;
  }

  // Draws on `canvas`.
  void paint(const std::function<void(Canvas&)>& draw) override;

  // Test side.
  // Told of each timer before the window's logic gets its WM_TIMER.
  std::function<void(std::uint32_t id)> on_timer;
  // Dispatches to the logic of the created window; not handled without one.
  MessageResult dispatch(const WindowMessage& message);
  RecordingCanvas canvas;
  int paints = 0;
  bool timer_running(std::uint32_t id) const;
  bool create_succeeds = true;
  bool created = false;
  std::vector<Rect> moves;
  Rect rect;  // where the window is
  std::vector<int> shows;
  int brought_to_top = 0;
  int invalidations = 0;
  bool last_erase = false;

 private:
  SimTimers& timers_;
  int key_;
  BalloonWindowLogic* logic_ = nullptr;
};

}  // namespace platform::sim
