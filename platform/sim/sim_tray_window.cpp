#include "platform_sim/sim_tray_window.h"

#include <algorithm>
#include <limits>

namespace platform::sim {

// ---- timers ----

int SimTimers::add_window(Fire fire) {
  windows_.push_back(std::move(fire));
  return static_cast<int>(windows_.size()) - 1;
}

bool SimTimers::set(int window, std::uint32_t id, std::uint32_t period_ms) {
  timers_.set({window, id}, period_ms, clock_.now_ms());
  return true;
}

void SimTimers::kill(int window, std::uint32_t id) { timers_.kill({window, id}); }

bool SimTimers::running(int window, std::uint32_t id) const {
  return timers_.running({window, id});
}

bool SimTimers::step() {
  const auto next = timers_.next();
  if (!next) return false;
  const auto [window, id] = next->key;
  if (next->due_ms > clock_.now_ms()) clock_.advance_to(next->due_ms);
  timers_.fired(next->key, next->due_ms, true);
  if (window >= 0 && window < static_cast<int>(windows_.size()) && windows_[window])
    windows_[window](id);
  return true;
}

void SimTimers::run_for(std::uint64_t ms) {
  const std::uint64_t end = clock_.now_ms() + ms;
  for (;;) {
    const auto next = timers_.next();
    if (!next || next->due_ms > end) break;
    step();
  }
  if (clock_.now_ms() < end) clock_.advance_to(end);
}

// ---- tray window ----

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

// ---- balloon window ----

SimBalloonWindow::SimBalloonWindow(SimTimers& timers) : timers_(timers) {
  key_ = timers_.add_window([this](std::uint32_t id) {
    if (on_timer) on_timer(id);
    dispatch(WindowMessage::timer(id));
  });
}

bool SimBalloonWindow::create(BalloonWindowLogic& logic) {
  created = create_succeeds;
  if (created) logic_ = &logic;
  return created;
}

MessageResult SimBalloonWindow::dispatch(const WindowMessage& message) {
  return logic_ != nullptr ? logic_->handle_message(message) : MessageResult{};
}

void SimBalloonWindow::paint(const std::function<void(Canvas&)>& draw) {
  ++paints;
  draw(canvas);
}

bool SimBalloonWindow::set_timer(std::uint32_t id, std::uint32_t period_ms) {
  return timers_.set(key_, id, period_ms);
}
void SimBalloonWindow::kill_timer(std::uint32_t id) { timers_.kill(key_, id); }
bool SimBalloonWindow::timer_running(std::uint32_t id) const { return timers_.running(key_, id); }

void SimBalloonWindow::move_window(const Rect& to, bool) {
  moves.push_back(to);
  rect = to;
}

// ---- canvas ----

GdiRef RecordingCanvas::create_font(std::u16string_view face, int height, int weight, int char_set,
                                    int pitch_and_family) {
  ++fonts_created;
  const GdiRef ref = next_++;
  fonts_[ref] = Font{std::u16string(face), height, weight, char_set, pitch_and_family};
  return ref;
}

void RecordingCanvas::release_font(GdiRef font) { fonts_.erase(font); }

GdiRef RecordingCanvas::create_brush(std::uint32_t color) {
  ++brushes_created;
  const GdiRef ref = next_++;
  brushes_[ref] = color;
  return ref;
}

void RecordingCanvas::release_brush(GdiRef brush) { brushes_.erase(brush); }

void RecordingCanvas::fill_rect(const Rect& rect, GdiRef brush) {
  auto it = brushes_.find(brush);
  fills.push_back({rect, it != brushes_.end() ? it->second : 0xFFFFFFFFu});
}

void RecordingCanvas::draw_text(std::u16string_view text, const Rect& rect, std::uint32_t flags) {
  auto it = fonts_.find(font_);
  texts.push_back({std::u16string(text), rect, flags, it != fonts_.end() ? it->second : Font{},
                   color_, transparent_});
}

// ---- system ----

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

// ---- tracking thread ----

bool SimTrackingThread::create_stop_event() {
  event_created = event_succeeds;
  return event_created;
}

bool SimTrackingThread::start(std::function<void()> body) {
  body_ = std::move(body);
  started_ = true;
  return true;
}

TrackingThread::Wait SimTrackingThread::wait_stop(std::uint32_t timeout_ms) {
  ++waits;
  if (before_wait) before_wait();
  if (fail_wait) return Wait::kFailed;
  if (signalled_) {
    signalled_ = false;  // auto-reset
    return Wait::kSignalled;
  }
  clock_.sleep(timeout_ms);
  return Wait::kTimeout;
}

bool SimTrackingThread::join(std::uint32_t timeout_ms) {
  join_timeouts.push_back(timeout_ms);
  return ends_in_time;
}

void SimTrackingThread::run_body() {
  if (body_) body_();
}

}  // namespace platform::sim
