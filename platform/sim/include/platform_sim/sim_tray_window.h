// The tray monitor's windows without windows: timers that fire when a test
// advances virtual time, a tray window and a balloon that record what was
// asked of them, a recording canvas, the single-instance mutex and the
// cursor-tracking thread run at the test's pace.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/balloon_window.h"
#include "platform/canvas.h"
#include "platform/dialog_host.h"
#include "platform/monitor_system.h"
#include "platform/tracking_thread.h"
#include "platform/tray_window.h"
#include "platform/util/timer_queue.h"
#include "platform_sim/sim_system.h"

namespace platform::sim {

// Window timers of every simulated window, on the virtual clock.
class SimTimers {
 public:
  explicit SimTimers(SimClock& clock) : clock_(clock) {}
  using Fire = std::function<void(std::uint32_t id)>;
  // A window whose timers call `fire`; returns its key.
  int add_window(Fire fire);
  // SetTimer: a timer set again starts its period anew.
  bool set(int window, std::uint32_t id, std::uint32_t period_ms);
  void kill(int window, std::uint32_t id);
  bool running(int window, std::uint32_t id) const;
  // Fires the next due timer after moving the clock to its deadline; false
  // when no timer runs. Deadline order, ties in the order they were set.
  bool step();
  // Fires every timer due within the next `ms` and leaves the clock there.
  void run_for(std::uint64_t ms);

 private:
  SimClock& clock_;
  std::vector<Fire> windows_;
  TimerQueue<std::pair<int, std::uint32_t>> timers_;
};

class SimTrayWindow : public TrayWindowHost {
 public:
  explicit SimTrayWindow(SimTimers& timers);

  WindowId window() override { return kWindow; }
  bool set_timer(std::uint32_t id, std::uint32_t period_ms) override;
  void kill_timer(std::uint32_t id) override;
  void set_icon(int icon_resource) override { window_icon = icon_resource; }
  GdiRef load_icon(int icon_resource) override;
  bool notify_icon(std::uint32_t operation, const NotifyIconRecord& record) override;
  bool load_menu(int menu_resource) override;
  void check_menu_item(int command, bool checked) override;
  void set_default_menu_item(int position) override { default_item = position; }
  void track_popup_menu(int x, int y, std::uint32_t flags) override;
  int menu_item_count() override {
    return loaded_menu != 0 ? static_cast<int>(item_heights.size()) : -1;
  }
  bool menu_item_rect(int position, Rect* rect) override;
  void end_menu() override { ++end_menus; }
  int message_box(std::u16string_view text, std::u16string_view caption,
                  std::uint32_t flags) override;
  int message_box_for_focus(std::u16string_view text, std::u16string_view caption,
                            std::uint32_t flags) override;
  bool post_message(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override;
  bool cursor_position(Point* point) override;
  void show_window(int command) override { shows.push_back(command); }
  bool is_minimized() override { return minimized; }
  void paint_centred_icon(GdiRef icon) override { painted_icons.push_back(icon); }
  void end_dialog(int result) override {
    ended = true;
    end_result = result;
  }

  // Test side.
  static constexpr WindowId kWindow = 0x10010;
  TrayWindowLogic* logic = nullptr;
  // Dispatches to the logic: WM_TIMER from the timers, and the posted
  // messages when pumped.
  MessageResult dispatch(const WindowMessage& message);
  // Dispatches every posted message, including those posted meanwhile.
  void pump();
  bool timer_running(std::uint32_t id) const;
  void set_cursor(Point point);

  struct Notify {
    std::uint32_t operation;
    NotifyIconRecord record;
  };
  std::vector<Notify> notifies;
  bool notify_succeeds = true;
  std::set<std::uint32_t> icons_in_tray;
  std::set<int> icon_resources{128};
  int window_icon = 0;
  int loaded_menu = 0;
  std::map<int, bool> checks;
  int default_item = -1;
  std::vector<std::pair<Point, std::uint32_t>> tracks;
  std::function<void()> on_track;  // runs while the menu is open
  // The popup's items as laid out once it has been opened, screen
  // coordinates; empty before. Heights of the items in menu order (text
  // items 20, separators 8), all 150 wide, inside a 3-pixel frame.
  std::vector<Rect> item_rects;
  std::vector<int> item_heights{20, 8, 20, 8, 20, 20};
  static constexpr int kItemWidth = 150;
  static constexpr int kMenuFrame = 3;
  Rect menu_rect;  // the open (or last) menu window
  // Where a menu must fit: Windows moves one that would cross an edge.
  Rect work_area{0, 0, 1024, 768};
  int end_menus = 0;
  std::vector<MessageBoxRecord> boxes;  // owned: by the tray window
  int box_answer = kIdOk;
  std::function<void()> on_box;  // runs while a box is open
  std::vector<WindowMessage> posted;
  std::vector<int> shows;
  bool minimized = false;
  std::vector<GdiRef> painted_icons;
  bool ended = false;
  int end_result = 0;

 private:
  int box(std::u16string_view text, std::u16string_view caption, std::uint32_t flags, bool tray);
  SimTimers& timers_;
  int key_;
  std::mutex mutex_;  // the posted queue and the cursor: the tracking thread uses them
  Point cursor_;
};

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

class SimMonitorSystem : public MonitorSystem {
 public:
  void create_instance_mutex(std::u16string_view name, bool* already_exists) override;
  void init_common_controls() override { ++common_controls; }
  Rect work_area() override { return area; }
  int screen_dpi() override { return dpi; }
  void set_mouse_hook(WindowId window) override {
    hook_calls.push_back({true, window});
    if (on_hook_call) on_hook_call(true);
  }
  void clear_mouse_hook(WindowId window) override {
    hook_calls.push_back({false, window});
    if (on_hook_call) on_hook_call(false);
  }
  // Attaches `tray`, runs OnInitDialog and then `while_running`, and ends
  // with WM_DESTROY.
  int run_tray_window(int dialog_template, TrayWindowLogic& logic) override;

  SimTrayWindow* tray = nullptr;
  std::function<void()> while_running;
  std::set<std::u16string> mutexes;  // names taken on this machine
  int common_controls = 0;
  Rect area{0, 0, 1024, 768};
  int dpi = 96;
  std::vector<std::pair<bool, WindowId>> hook_calls;  // (set, window)
  std::function<void(bool set)> on_hook_call;         // runs in each hook call
  std::vector<int> runs;                              // dialog templates run
};

// The tracking thread at the test's pace: start() keeps the body, and
// run_body() runs it on the calling thread. Each wait first calls
// `before_wait` (the test moves the cursor there, or signals the stop), then
// lets virtual time pass.
class SimTrackingThread : public TrackingThread {
 public:
  explicit SimTrackingThread(SimClock& clock) : clock_(clock) {}
  bool create_stop_event() override;
  bool start(std::function<void()> body) override;
  bool running() override { return started_ && !closed_thread; }
  Wait wait_stop(std::uint32_t timeout_ms) override;
  void signal_stop() override { signalled_ = true; }
  bool join(std::uint32_t timeout_ms) override;
  void terminate() override { ++terminations; }
  void close_thread() override { closed_thread = true; }
  void close_stop_event() override { closed_event = true; }

  void run_body();
  std::function<void()> before_wait;
  bool event_succeeds = true;
  bool fail_wait = false;
  bool ends_in_time = true;  // join's answer
  int waits = 0;
  std::vector<std::uint32_t> join_timeouts;
  int terminations = 0;
  bool closed_thread = false;
  bool closed_event = false;
  bool event_created = false;

 private:
  SimClock& clock_;
  std::function<void()> body_;
  bool started_ = false;
  bool signalled_ = false;
};

}  // namespace platform::sim
