// The tray monitor's window without a window, recording what was asked of
// it, and the monitor's system that runs it: the single-instance mutex, the
// work area and the hook library's calls as records.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/monitor_system.h"
#include "platform/tray_window.h"
#include "platform_sim/sim_window_timers.h"

namespace platform::sim {

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

}  // namespace platform::sim
