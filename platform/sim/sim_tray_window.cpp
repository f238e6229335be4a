#include "platform_sim/sim_tray_window.h"

namespace platform::sim {

SimTrayWindow::SimTrayWindow(SimTimers& timers) : timers_(timers) {
  key_ = timers_.add_window([this](std::uint32_t id) { dispatch(WindowMessage::timer(id)); });
}

bool SimTrayWindow::set_timer(std::uint32_t id, std::uint32_t period_ms) {
  return timers_.set(key_, id, period_ms);
}
void SimTrayWindow::kill_timer(std::uint32_t id) { timers_.kill(key_, id); }
bool SimTrayWindow::timer_running(std::uint32_t id) const { return timers_.running(key_, id); }

GdiRef SimTrayWindow::load_icon(int icon_resource) {
  return icon_resources.count(icon_resource) ? 0x50000 + static_cast<GdiRef>(icon_resource) : 0;
}

bool SimTrayWindow::notify_icon(std::uint32_t operation, const NotifyIconRecord& record) {
  notifies.push_back({operation, record});
  if (!notify_succeeds) return false;
  switch (operation) {
    case kNimAdd:
      return icons_in_tray.insert(record.id).second;
    case kNimDelete:
      return icons_in_tray.erase(record.id) != 0;
    default:
      return icons_in_tray.count(record.id) != 0;
  }
}

bool SimTrayWindow::load_menu(int menu_resource) {
  loaded_menu = menu_resource;
  // The menu resource's own state: a check mark on Off.
  checks = {{32788, true}, {32785, false}, {32786, false}};
  return true;
}

void SimTrayWindow::check_menu_item(int command, bool checked) { checks[command] = checked; }

// Places the menu as Windows does: the flags give the corner at (x, y); a
// menu that would cross the work area's right edge opens to the left of x,
// one that would cross its top (bottom-aligned) opens below y, one that would
// cross its bottom (top-aligned) opens above y; what still does not fit is
// pushed inside.
void SimTrayWindow::track_popup_menu(int x, int y, std::uint32_t flags) {
  tracks.push_back({{x, y}, flags});
  int height = 2 * kMenuFrame;
  for (const int h : item_heights) height += h;
  const int width = kItemWidth + 2 * kMenuFrame;
  const bool right_align = (flags & kTpmRightAlign) != 0;
  const bool bottom_align = (flags & kTpmBottomAlign) != 0;
  int left = right_align ? x - width : x;
  int top = bottom_align ? y - height : y;
  if (left + width > work_area.right) left = x - width;
  if (left < work_area.left) left = right_align ? x : work_area.left;
  if (left + width > work_area.right) left = work_area.right - width;
  if (left < work_area.left) left = work_area.left;
  if (bottom_align && top < work_area.top) top = y;
  if (!bottom_align && top + height > work_area.bottom) top = y - height;
  if (top + height > work_area.bottom) top = work_area.bottom - height;
  if (top < work_area.top) top = work_area.top;
  menu_rect = {left, top, left + width, top + height};
  item_rects.clear();
  int item_top = top + kMenuFrame;
  for (const int h : item_heights) {
    item_rects.push_back(
        {left + kMenuFrame, item_top, left + kMenuFrame + kItemWidth, item_top + h});
    item_top += h;
  }
  if (on_track) on_track();
}

bool SimTrayWindow::menu_item_rect(int position, Rect* rect) {
  if (position < 0 || position >= static_cast<int>(item_rects.size())) return false;
  *rect = item_rects[static_cast<std::size_t>(position)];
  return true;
}

int SimTrayWindow::box(std::u16string_view text, std::u16string_view caption, std::uint32_t flags,
                       bool tray) {
  boxes.push_back({std::u16string(text), std::u16string(caption), flags, tray});
  if (on_box) on_box();
  return box_answer;
}

int SimTrayWindow::message_box(std::u16string_view text, std::u16string_view caption,
                               std::uint32_t flags) {
  return box(text, caption, flags, true);
}

int SimTrayWindow::message_box_for_focus(std::u16string_view text, std::u16string_view caption,
                                         std::uint32_t flags) {
  return box(text, caption, flags, false);
}

bool SimTrayWindow::post_message(std::uint32_t message, std::uintptr_t wparam,
                                 std::intptr_t lparam) {
  std::lock_guard lock(mutex_);
  posted.push_back({message, wparam, lparam});
  return true;
}

bool SimTrayWindow::cursor_position(Point* point) {
  std::lock_guard lock(mutex_);
  *point = cursor_;
  return true;
}

void SimTrayWindow::set_cursor(Point point) {
  std::lock_guard lock(mutex_);
  cursor_ = point;
}

MessageResult SimTrayWindow::dispatch(const WindowMessage& message) {
  return logic != nullptr ? logic->handle_message(message) : MessageResult{};
}

void SimTrayWindow::pump() {
  for (;;) {
    WindowMessage next;
    {
      std::lock_guard lock(mutex_);
      if (posted.empty()) return;
      next = posted.front();
      posted.erase(posted.begin());
    }
    dispatch(next);
  }
}

// ---- the monitor's system ----

void SimMonitorSystem::create_instance_mutex(std::u16string_view name, bool* already_exists) {
  *already_exists = !mutexes.insert(std::u16string(name)).second;
}

int SimMonitorSystem::run_tray_window(int dialog_template, TrayWindowLogic& logic) {
  runs.push_back(dialog_template);
  if (tray == nullptr) return -1;
  tray->logic = &logic;
  logic.attach(tray);
  logic.OnInitDialog();
  if (while_running) while_running();
  logic.handle_message({kWmDestroy, 0, 0});
  tray->logic = nullptr;
  return tray->end_result;
}

}  // namespace platform::sim
