// The status balloon: a borderless, always-on-top window that slides up at
// the bottom-right corner of the work area with one panel per monitored
// printer. It owns the display state that the tray window and the poll share.
#pragma once

#include <cstdint>

#include "monitor/display_state.h"
#include "monitor/status_record.h"
#include "platform/balloon_window.h"
#include "platform/canvas.h"
#include "platform/platform.h"
#include "platform/ui_system.h"
#include "platform/util/message_map.h"

namespace tessaly {

inline constexpr int kBalloonWidth = 246;
inline constexpr int kPanelHeight = 90;
inline constexpr int kSlideStep = 5;
inline constexpr std::uint32_t kBalloonTimerId = 16;
inline constexpr std::uint32_t kBalloonTimerMs = 20;
inline constexpr std::uint32_t kRefreshEveryMs = 500;

enum SlideState : int { Hidden = 0, Rising = 1, Shown = 2, Falling = 3 };

// Panel colours.
inline constexpr std::uint32_t kBalloonBackground = platform::rgb(32, 32, 255);
inline constexpr std::uint32_t kBandColor = platform::rgb(0, 0, 255);
inline constexpr std::uint32_t kTextColor = platform::rgb(255, 255, 255);

class CTBalloon : public platform::BalloonWindowLogic {
 public:
  // Reads the work area; it is read again when the screen changes.
  CTBalloon(platform::Platform& platform, platform::UiSystem& system);
  // The window stays until its host goes, without this logic.
  ~CTBalloon() override;
  CTBalloon(const CTBalloon&) = delete;
  CTBalloon& operator=(const CTBalloon&) = delete;

  void attach(platform::BalloonWindowHost* host) override { host_ = host; }
  platform::MessageResult handle_message(const platform::WindowMessage& message) override;

  // Creates the window and starts the first rise (without bringing it to the
  // top). Returns the creation result.
  bool create_balloon();
  // Starts a rise when the balloon is hidden; otherwise nothing.
  void show_balloon();
  // Polls again and places a fully shown balloon; true when the printers
  // changed in a way the panels show.
  bool refresh_balloon();
  bool any_record_active() const;
  // The screen or the taskbar changed: reads the work area again and moves
  // the window, as far as it is up, to the new corner.
  void work_area_changed();

  // WM_TIMER and WM_PAINT of the balloon window.
  void on_timer(std::uintptr_t id);
  platform::MessageResult on_paint_message(const platform::WindowMessage& message);
  void on_paint(platform::Canvas& canvas) const;

  DisplayState& display() { return display_; }
  const DisplayState& display() const { return display_; }
  const StatusSnapshot& snapshot() const { return snapshot_; }
  const platform::Rect& window_rect() const { return rect_; }
  int height() const { return height_; }
  int width() const { return width_; }
  // A length in pixels at 96 DPI, in the screen's pixels: what Windows'
  // stretching of a program unaware of DPI would give, drawn sharp.
  int scaled(int pixels) const;

 private:
  void poll();
  // Reads the work area and moves the window when it changed.
  void follow_work_area();
  void set_rise_geometry();
  void set_shown_geometry();
  void start_rise();
  void paint_panel(platform::Canvas& canvas, const PrinterStatusRecord& record, int y) const;

  platform::Platform& platform_;
  platform::UiSystem& system_;
  platform::BalloonWindowHost* host_ = nullptr;
  DisplayState display_;
  platform::Rect rect_;
  platform::Rect work_area_;
  int dpi_;
  int width_;
  int panel_height_;
  int slide_step_;
  int height_ = 0;
  StatusSnapshot snapshot_{};
};

}  // namespace tessaly
