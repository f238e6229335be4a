#include "platform_sim/sim_dialog_host.h"

namespace platform::sim {

void SimDialogHost::set_text(int control, std::u16string_view text) {
  std::lock_guard lock(mutex_);
  history_.push_back({Event::SetText, control, std::u16string(text)});
  WindowlessDialogHost::set_text(control, text);
}

void SimDialogHost::progress_position(int control, int position) {
  std::lock_guard lock(mutex_);
  WindowlessDialogHost::progress_position(control, position);
  if (const ControlState* c = find(control)) positions_[control].push_back(c->position);
}

int SimDialogHost::answer_message_box(const MessageBoxRecord&) {
  Dispatch dispatch;
  {
    std::lock_guard lock(mutex_);
    dispatch = dispatch_;
  }
  if (dispatch) run_loop(message_box_wait_ms, dispatch);
  return message_box_answer;
}

void SimDialogHost::post(const WindowMessage& message) {
  std::lock_guard lock(mutex_);
  posted_.push_back(message);
}

bool SimDialogHost::closed() const {
  std::lock_guard lock(mutex_);
  if (ended_) return true;
  for (const WindowMessage& m : posted_)
    if (m.message == kWmClose) return true;
  return false;
}

int SimDialogHost::result() const {
  std::lock_guard lock(mutex_);
  return ended_ ? result_ : closed() ? kIdCancel : result_;
}

std::vector<SimDialogHost::Event> SimDialogHost::history() const {
  std::lock_guard lock(mutex_);
  return history_;
}

void SimDialogHost::deliver_posted(const Dispatch& dispatch) {
  for (;;) {
    WindowMessage message;
    {
      std::lock_guard lock(mutex_);
      if (posted_.empty()) return;
      message = posted_.front();
      posted_.pop_front();
    }
    if (dispatch && dispatch(message)) continue;
    // The dialog procedure's default processing: the close box and Escape
    // (IDCANCEL) end the dialog, as Enter (IDOK) does.
    const int command = static_cast<int>(message.wparam & 0xFFFF);
    if (message.message == kWmClose)
      end_dialog(kIdCancel);
    else if (message.message == kWmCommand && (command == kIdOk || command == kIdCancel))
      end_dialog(command);
  }
}

void SimDialogHost::pump_messages() {
  std::vector<std::uint32_t> due;
  Dispatch dispatch;
  {
    std::lock_guard lock(mutex_);
    ++pumps_;
    history_.push_back({Event::Pump, 0, {}});
    // Without a logic to deliver to, messages stay where they are.
    if (!dispatch_) return;
    dispatch = dispatch_;
    // Each timer that is due now sends one WM_TIMER; time does not move.
    due = timers_.take_due(sim_clock_.now_ms());
  }
  // A dialog that has ended still has its window until the modal loop
  // regains control: the pump delivers its timers and posted messages as
  // PeekMessageW and DispatchMessageW do.
  for (std::uint32_t id : due) {
    if (!timer_running(id)) continue;  // killed by an earlier handler
    dispatch(WindowMessage::timer(id));
  }
  deliver_posted(dispatch);
}

void SimDialogHost::set_dialog_face_font(int control, int height, int weight) {
  std::lock_guard lock(mutex_);
  if (ControlState* c = find(control)) {
    c->font_face = dialog_font_face;
    c->font_height = height;
    c->font_weight = weight;
  }
}

DialogHost::BrushRef SimDialogHost::create_solid_brush(std::uint32_t color) {
  std::lock_guard lock(mutex_);
  const BrushRef brush = next_brush_++;
  brushes_[brush] = color;
  return brush;
}

void SimDialogHost::delete_brush(BrushRef brush) {
  std::lock_guard lock(mutex_);
  brushes_.erase(brush);
}

std::uint32_t SimDialogHost::system_color(int index) {
  std::lock_guard lock(mutex_);
  auto it = system_colors.find(index);
  return it == system_colors.end() ? 0 : it->second;
}

void SimDialogHost::set_control_colors(int control, std::uint32_t text_color,
                                       std::uint32_t background_color, BrushRef brush) {
  std::lock_guard lock(mutex_);
  ControlState* c = find(control);
  if (!c) return;
  c->text_color = text_color;
  c->background_color = background_color;
  c->brush = brush;
  ++c->erased_repaints;
}

std::map<DialogHost::BrushRef, std::uint32_t> SimDialogHost::live_brushes() const {
  std::lock_guard lock(mutex_);
  return brushes_;
}

void SimDialogHost::set_dispatch_function(Dispatch dispatch) {
  std::lock_guard lock(mutex_);
  dispatch_ = std::move(dispatch);
}

std::vector<int> SimDialogHost::positions(int control) {
  std::lock_guard lock(mutex_);
  auto it = positions_.find(control);
  return it == positions_.end() ? std::vector<int>() : it->second;
}

void SimDialogHost::run_loop(std::uint64_t ms, const Dispatch& dispatch) {
  const std::uint64_t end = sim_clock_.now_ms() + ms;
  for (;;) {
    deliver_posted(dispatch);
    const auto next = take_next_timer(end);
    if (!next) {
      if (ended()) return;
      break;
    }
    sim_clock_.advance_to(next->due_ms);
    dispatch(WindowMessage::timer(next->key));
    std::lock_guard lock(mutex_);
    timers_.catch_up(next->key, sim_clock_.now_ms());
  }
  sim_clock_.advance_to(end);
}

}  // namespace platform::sim
