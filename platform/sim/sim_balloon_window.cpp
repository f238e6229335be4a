#include "platform_sim/sim_balloon_window.h"

namespace platform::sim {

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

}  // namespace platform::sim
