#include "platform_sim/sim_dialog_host.h"

#include <algorithm>

#include "platform/util/text.h"

namespace platform::sim {

// A control the template does not have: Windows finds no window for the id,
// so changes go nowhere and every query reads as empty, disabled, hidden.
SimDialogHost::Control* SimDialogHost::find(int id) {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : &it->second;
}

void SimDialogHost::set_title(std::u16string_view title) {
  std::lock_guard lock(mutex_);
  title_ = title;
}

std::u16string SimDialogHost::title() {
  std::lock_guard lock(mutex_);
  return title_;
}

void SimDialogHost::set_text(int control, std::u16string_view text) {
  std::lock_guard lock(mutex_);
  history_.push_back({Event::kSetText, control, std::u16string(text)});
  if (Control* c = find(control)) c->text = text;
}

std::u16string SimDialogHost::text(int control) {
  std::lock_guard lock(mutex_);
  Control* c = find(control);
  return c ? c->text : std::u16string();
}

void SimDialogHost::enable(int control, bool enabled) {
  std::lock_guard lock(mutex_);
  if (Control* c = find(control)) c->enabled = enabled;
}

bool SimDialogHost::is_enabled(int control) {
  std::lock_guard lock(mutex_);
  Control* c = find(control);
  return c && c->enabled;
}

void SimDialogHost::show(int control, bool visible) {
  std::lock_guard lock(mutex_);
  if (Control* c = find(control)) c->visible = visible;
}

bool SimDialogHost::is_visible(int control) {
  std::lock_guard lock(mutex_);
  Control* c = find(control);
  return c && c->visible;
}

void SimDialogHost::set_check(int control, bool checked) {
  std::lock_guard lock(mutex_);
  if (Control* c = find(control)) c->checked = checked;
}

bool SimDialogHost::is_checked(int control) {
  std::lock_guard lock(mutex_);
  Control* c = find(control);
  return c && c->checked;
}

void SimDialogHost::combo_add(int control, std::u16string_view item) {
  std::lock_guard lock(mutex_);
  Control* c = find(control);
  if (!c) return;
  if (!c->sorted) {
    c->items.emplace_back(item);
    return;
  }
  // After the last item that does not sort behind it, ignoring case.
  auto folded = [](std::u16string_view text) {
    std::u16string out(text);
    for (auto& ch : out) ch = ascii_upper(ch);
    return out;
  };
  const std::u16string key = folded(item);
  auto at = c->items.begin();
  while (at != c->items.end() && folded(*at) <= key) ++at;
  c->items.emplace(at, item);
}

void SimDialogHost::combo_reset(int control) {
  std::lock_guard lock(mutex_);
  Control* c = find(control);
  if (!c) return;
  c->items.clear();
  c->selection = -1;
  c->text.clear();
}

void SimDialogHost::combo_select(int control, int index) {
  std::lock_guard lock(mutex_);
  Control* c = find(control);
  if (!c) return;
  // CB_SETCURSEL with an index outside the list clears the selection; a
  // selected item is what the combo box's text then reads.
  c->selection = (index >= 0 && static_cast<std::size_t>(index) < c->items.size()) ? index : -1;
  if (c->selection >= 0) c->text = c->items[static_cast<std::size_t>(c->selection)];
}

int SimDialogHost::combo_selection(int control) {
  std::lock_guard lock(mutex_);
  Control* c = find(control);
  return c ? c->selection : -1;
}

void SimDialogHost::progress_range(int control, int low, int high) {
  std::lock_guard lock(mutex_);
  if (Control* c = find(control)) c->range_low = low;
  if (Control* c = find(control)) c->range_high = high;
}

void SimDialogHost::progress_position(int control, int position) {
  std::lock_guard lock(mutex_);
  Control* c = find(control);
  if (!c) return;
  // The bar keeps its position inside its range, as PBM_SETPOS does.
  if (position < c->range_low) position = c->range_low;
  if (position > c->range_high) position = c->range_high;
  c->position = position;
  positions_[control].push_back(position);
}

void SimDialogHost::set_bitmap(int control, int bitmap_resource) {
  std::lock_guard lock(mutex_);
  if (Control* c = find(control)) c->bitmap = bitmap_resource;
}

bool SimDialogHost::set_timer(std::uint32_t id, std::uint32_t period_ms) {
  std::lock_guard lock(mutex_);
  timers_.set(id, period_ms, clock_.now_ms());
  return true;
}

void SimDialogHost::kill_timer(std::uint32_t id) {
  std::lock_guard lock(mutex_);
  timers_.kill(id);
}

int SimDialogHost::message_box(std::u16string_view text, std::u16string_view caption,
                               std::uint32_t flags) {
  {
    std::lock_guard lock(mutex_);
    message_boxes.push_back({std::u16string(text), std::u16string(caption), flags});
  }
  // The box runs its own message loop until the user answers: the window's
  // timers keep firing meanwhile.
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

void SimDialogHost::end_dialog(int result) {
  std::lock_guard lock(mutex_);
  if (!ended_) result_ = result;
  ended_ = true;
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
    history_.push_back({Event::kPump, 0, {}});
    // Without a logic to deliver to, messages stay where they are.
    if (!dispatch_) return;
    dispatch = dispatch_;
    // Each timer that is due now sends one WM_TIMER; time does not move.
    due = timers_.take_due(clock_.now_ms());
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

void SimDialogHost::set_icon(int icon_resource) {
  std::lock_guard lock(mutex_);
  icon_ = icon_resource;
}

void SimDialogHost::set_static_colors(int control, std::uint32_t text_color,
                                      std::uint32_t background_color) {
  std::lock_guard lock(mutex_);
  if (Control* c = find(control)) c->text_color = text_color;
  if (Control* c = find(control)) c->background_color = background_color;
}

void SimDialogHost::set_font(int control, int height, int weight) {
  std::lock_guard lock(mutex_);
  if (Control* c = find(control)) c->font_height = height;
  if (Control* c = find(control)) c->font_weight = weight;
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
  Control* c = find(control);
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

SimDialogHost::Control SimDialogHost::control(int id) {
  std::lock_guard lock(mutex_);
  Control* c = find(id);
  return c ? *c : Control{};
}

bool SimDialogHost::has_control(int id) {
  std::lock_guard lock(mutex_);
  return find(id) != nullptr;
}

void SimDialogHost::set_dispatch_function(Dispatch dispatch) {
  std::lock_guard lock(mutex_);
  dispatch_ = std::move(dispatch);
}

void SimDialogHost::define(int id, Control initial) {
  std::lock_guard lock(mutex_);
  controls_[id] = std::move(initial);
}

void SimDialogHost::define(int id) { define(id, Control{}); }

bool SimDialogHost::timer_running(std::uint32_t id) {
  std::lock_guard lock(mutex_);
  return timers_.running(id);
}

std::vector<std::uint32_t> SimDialogHost::running_timers() {
  std::lock_guard lock(mutex_);
  return timers_.keys();
}

std::vector<int> SimDialogHost::positions(int control) {
  std::lock_guard lock(mutex_);
  auto it = positions_.find(control);
  return it == positions_.end() ? std::vector<int>() : it->second;
}

void SimDialogHost::run_loop(std::uint64_t ms, const Dispatch& dispatch) {
  const std::uint64_t end = clock_.now_ms() + ms;
  for (;;) {
    deliver_posted(dispatch);
    std::uint32_t id = 0;
    std::uint64_t due = 0;
    {
      std::lock_guard lock(mutex_);
      if (ended_) return;
      const auto next = timers_.next();
      if (!next || next->due_ms > end) break;
      id = next->key;
      due = next->due_ms;
      timers_.fired(id, due);
    }
    clock_.advance_to(due);
    dispatch(WindowMessage::timer(id));
    std::lock_guard lock(mutex_);
    timers_.catch_up(id, clock_.now_ms());
  }
  clock_.advance_to(end);
}

}  // namespace platform::sim
