// A dialog host without a window: the one base of the simulated dialog and
// of the installer's unattended run. It keeps what a dialog window would
// hold (title, control states, icon), runs the window's timers on a clock
// its owner drives, records the message boxes and keeps the first end.
//
// One difference between its users is a choice: a dialog built from a
// template has only the template's controls (Controls::Declared: a change
// to any other id goes nowhere and every query of it reads empty, disabled,
// hidden, as Windows finds no window for the id), while a run without a
// template makes a control's state the first time it is named
// (Controls::OnDemand).
#pragma once

#include <cstdint>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/dialog_host.h"
#include "platform/util/text.h"
#include "platform/util/timer_queue.h"

namespace platform {

// What a control of a dialog without a window holds.
struct ControlState {
  std::u16string text;
  bool enabled = true;
  bool visible = true;
  bool checked = false;
  std::vector<std::u16string> items;
  bool sorted = false;  // a combo box with CBS_SORT
  int selection = -1;
  int range_low = 0;
  int range_high = 100;
  int position = 0;
  int bitmap = 0;
  std::uint32_t text_color = kSystemColor;
  std::uint32_t background_color = kSystemColor;
  DialogHost::BrushRef brush = 0;  // the brush it paints its background with
  int erased_repaints = 0;
  // The font it was given: a face (the dialog's own face, for
  // set_dialog_face_font), its height and weight.
  std::u16string font_face;
  int font_height = 0;
  int font_weight = 0;
};

class WindowlessDialogHost : public DialogHost {
 public:
  enum class Controls { Declared, OnDemand };

  WindowlessDialogHost(Clock& clock, Controls controls) : clock_(clock), controls_(controls) {}

  void set_title(std::u16string_view title) override {
    std::lock_guard lock(mutex_);
    title_ = title;
  }
  std::u16string title() override {
    std::lock_guard lock(mutex_);
    return title_;
  }
  void set_text(int control, std::u16string_view text) override {
    std::lock_guard lock(mutex_);
    if (ControlState* c = find(control)) c->text = text;
  }
  std::u16string text(int control) override {
    std::lock_guard lock(mutex_);
    const ControlState* c = find(control);
    return c ? c->text : std::u16string();
  }
  void enable(int control, bool enabled) override {
    std::lock_guard lock(mutex_);
    if (ControlState* c = find(control)) c->enabled = enabled;
  }
  bool is_enabled(int control) override {
    std::lock_guard lock(mutex_);
    const ControlState* c = find(control);
    return c && c->enabled;
  }
  void show(int control, bool visible) override {
    std::lock_guard lock(mutex_);
    if (ControlState* c = find(control)) c->visible = visible;
  }
  bool is_visible(int control) override {
    std::lock_guard lock(mutex_);
    const ControlState* c = find(control);
    return c && c->visible;
  }
  void set_check(int control, bool checked) override {
    std::lock_guard lock(mutex_);
    if (ControlState* c = find(control)) c->checked = checked;
  }
  bool is_checked(int control) override {
    std::lock_guard lock(mutex_);
    const ControlState* c = find(control);
    return c && c->checked;
  }

  void combo_add(int control, std::u16string_view item) override {
    std::lock_guard lock(mutex_);
    ControlState* c = find(control);
    if (!c) return;
    if (!c->sorted) {
      c->items.emplace_back(item);
      return;
    }
    // After the last item that does not sort behind it, ignoring case.
    const std::u16string key = ascii_upper(item);
    auto at = c->items.begin();
    while (at != c->items.end() && ascii_upper(*at) <= key) ++at;
    c->items.emplace(at, item);
  }
  void combo_reset(int control) override {
    std::lock_guard lock(mutex_);
    ControlState* c = find(control);
    if (!c) return;
    c->items.clear();
    c->selection = -1;
    c->text.clear();
  }
  void combo_select(int control, int index) override {
    std::lock_guard lock(mutex_);
    ControlState* c = find(control);
    if (!c) return;
    // CB_SETCURSEL with an index outside the list clears the selection; a
    // selected item is what the combo box's text then reads.
    c->selection = (index >= 0 && static_cast<std::size_t>(index) < c->items.size()) ? index : -1;
    if (c->selection >= 0) c->text = c->items[static_cast<std::size_t>(c->selection)];
  }
  int combo_selection(int control) override {
    std::lock_guard lock(mutex_);
    const ControlState* c = find(control);
    return c ? c->selection : -1;
  }

  void progress_range(int control, int low, int high) override {
    std::lock_guard lock(mutex_);
    if (ControlState* c = find(control)) {
      c->range_low = low;
      c->range_high = high;
    }
  }
  void progress_position(int control, int position) override {
    std::lock_guard lock(mutex_);
    ControlState* c = find(control);
    if (!c) return;
    // The bar keeps its position inside its range, as PBM_SETPOS does.
    if (position < c->range_low) position = c->range_low;
    if (position > c->range_high) position = c->range_high;
    c->position = position;
  }
  void set_bitmap(int control, int bitmap_resource) override {
    std::lock_guard lock(mutex_);
    if (ControlState* c = find(control)) c->bitmap = bitmap_resource;
  }
  void set_icon(int icon_resource) override {
    std::lock_guard lock(mutex_);
    icon_ = icon_resource;
  }

  bool set_timer(std::uint32_t id, std::uint32_t period_ms) override {
    std::lock_guard lock(mutex_);
    timers_.set(id, period_ms, clock_.now_ms());
    return true;
  }
  void kill_timer(std::uint32_t id) override {
    std::lock_guard lock(mutex_);
    timers_.kill(id);
  }

  // Recorded, then answered as the host answers (answer_message_box).
  int message_box(std::u16string_view text, std::u16string_view caption,
                  std::uint32_t flags) override {
    MessageBoxRecord box{std::u16string(text), std::u16string(caption), flags};
    {
      std::lock_guard lock(mutex_);
      message_boxes_.push_back(box);
    }
    return answer_message_box(box);
  }

  // The first end holds: a later one changes nothing.
  void end_dialog(int result) override {
    std::lock_guard lock(mutex_);
    if (ended_) return;
    ended_ = true;
    result_ = result;
  }

  // Reading what the window holds.
  // A copy of a control; a default state for an id the dialog lacks.
  ControlState control(int id) const {
    std::lock_guard lock(mutex_);
    auto it = states_.find(id);
    return it == states_.end() ? ControlState{} : it->second;
  }
  bool has_control(int id) const {
    std::lock_guard lock(mutex_);
    return states_.count(id) != 0;
  }
  // Declares a control of the dialog's template with its initial state
  // (hidden, disabled, sorted, ...).
  void define(int id, ControlState initial = {}) {
    std::lock_guard lock(mutex_);
    states_[id] = std::move(initial);
  }
  std::vector<std::u16string> combo_items(int control) const {
    return this->control(control).items;
  }
  std::vector<MessageBoxRecord> message_boxes() const {
    std::lock_guard lock(mutex_);
    return message_boxes_;
  }
  bool ended() const {
    std::lock_guard lock(mutex_);
    return ended_;
  }
  int end_result() const {
    std::lock_guard lock(mutex_);
    return result_;
  }
  int icon() const {
    std::lock_guard lock(mutex_);
    return icon_;
  }
  bool timer_running(std::uint32_t id) const {
    std::lock_guard lock(mutex_);
    return timers_.running(id);
  }
  std::vector<std::uint32_t> running_timers() const {
    std::lock_guard lock(mutex_);
    return timers_.keys();
  }

 protected:
  // The button a recorded message box returns; the box is already in the
  // record.
  virtual int answer_message_box(const MessageBoxRecord& box) = 0;

  // The timer that fires next, marked fired for its deadline: none once the
  // dialog has ended, when no timer runs, or when the next falls after
  // `last_ms`. The caller moves the clock there and dispatches WM_TIMER.
  std::optional<TimerQueue<>::Due> take_next_timer(
      std::uint64_t last_ms = std::numeric_limits<std::uint64_t>::max()) {
    std::lock_guard lock(mutex_);
    const auto next = timers_.next();
    if (ended_ || !next || next->due_ms > last_ms) return std::nullopt;
    timers_.fired(next->key, next->due_ms);
    return next;
  }

  ControlState* find(int id) {
    if (controls_ == Controls::OnDemand) return &states_[id];
    auto it = states_.find(id);
    return it == states_.end() ? nullptr : &it->second;
  }

  // Held by every call: a worker thread enables a button while the
  // user-interface thread reads the controls.
  mutable std::recursive_mutex mutex_;
  Clock& clock_;
  TimerQueue<> timers_;
  bool ended_ = false;
  int result_ = 0;

 private:
  Controls controls_;
  std::u16string title_;
  std::map<int, ControlState> states_;
  std::vector<MessageBoxRecord> message_boxes_;
  int icon_ = 0;
};

}  // namespace platform
