// A dialog window without a window, built on the windowless host: only the
// template's controls exist, timers fire when the test advances virtual
// time, posted messages wait for a pump or the modal loop, and every text
// set, progress position and message box is kept for inspection.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/util/message_map.h"
#include "platform/util/windowless_dialog_host.h"
#include "platform_sim/sim_system.h"

namespace platform::sim {

class SimDialogHost : public WindowlessDialogHost {
 public:
  using Control = ControlState;
  // What the dialog's logic did to the window, in order, where the order
  // matters: a control's text set, the queue pumped.
  struct Event {
    enum Kind { SetText, Pump } kind;
    int control;  // SetText only
    std::u16string text;
  };
  // Delivers a message to the dialog's logic; true when the logic handled
  // it. A dispatch that returns nothing handles nothing: the default
  // processing follows (WM_CLOSE, IDOK and IDCANCEL end the dialog).
  using Dispatch = std::function<bool(const WindowMessage&)>;
  template <typename F>
  static Dispatch as_dispatch(F dispatch) {
    using Result = std::invoke_result_t<F&, const WindowMessage&>;
    if constexpr (std::is_void_v<Result>)
      return [dispatch = std::move(dispatch)](const WindowMessage& m) mutable {
        dispatch(m);
        return false;
      };
    else if constexpr (std::is_same_v<Result, MessageResult>)
      return [dispatch = std::move(dispatch)](const WindowMessage& m) mutable {
        return dispatch(m).handled;
      };
    else
      return Dispatch(std::move(dispatch));
  }

  explicit SimDialogHost(SimClock& clock)
      : WindowlessDialogHost(clock, Controls::Declared), sim_clock_(clock) {}
  // A host with a window other threads can reach through the desktop while
  // the host lives.
  SimDialogHost(SimClock& clock, SimDesktop& desktop)
      : WindowlessDialogHost(clock, Controls::Declared),
        sim_clock_(clock),
        desktop_(&desktop),
        window_(desktop.register_dialog(this)) {}
  ~SimDialogHost() override {
    if (desktop_) desktop_->unregister_dialog(window_);
  }
  SimDialogHost(const SimDialogHost&) = delete;
  SimDialogHost& operator=(const SimDialogHost&) = delete;
  std::uintptr_t window_ref() override { return window_; }

  void set_text(int control, std::u16string_view text) override;
  void progress_position(int control, int position) override;
  bool post_message(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override {
    post({message, wparam, lparam});
    return true;
  }
  void pump_messages() override;
  void load_bitmap(int bitmap_resource) override { loaded_bitmaps.push_back(bitmap_resource); }
  bool is_minimized() override { return minimized; }
  void icon_paint_sizes(int* client_width, int* client_height, int* icon_width,
                        int* icon_height) override {
    *client_width = client_size.first;
    *client_height = client_size.second;
    *icon_width = *icon_height = 32;
  }
  void paint_icon(int x, int y) override { painted_icons.push_back({x, y}); }
  void set_dialog_face_font(int control, int height, int weight) override;
  BrushRef create_solid_brush(std::uint32_t color) override;
  void delete_brush(BrushRef brush) override;
  std::uint32_t system_color(int index) override;
  void set_control_colors(int control, std::uint32_t text_color, std::uint32_t background_color,
                          BrushRef brush) override;
  // Brushes made and not yet deleted, with their colours.
  std::map<BrushRef, std::uint32_t> live_brushes() const;
  // The system's colours, as a test sets them (index -> 0x00BBGGRR).
  std::map<int, std::uint32_t> system_colors{{kColorButtonFace, 0x00F0F0F0},
                                             {kColorButtonText, 0x00000000}};
  // The face of the dialog's own font: the template's, or the one the
  // system put in its place for the desk's language.
  std::u16string dialog_font_face = u"Microsoft Sans Serif";

  // Test side, besides what the base keeps (a test declares the template's
  // controls with define(): only declared controls exist).
  // How messages reach the dialog's logic while the host itself runs a
  // loop: a message box's, or a pump of the queue. Without it neither
  // dispatches anything.
  template <typename F>
  void set_dispatch(F dispatch) {
    set_dispatch_function(as_dispatch(std::move(dispatch)));
  }
  void set_dispatch_function(Dispatch dispatch);
  // PostMessageW to the dialog (Escape arrives as WM_COMMAND IDCANCEL): it
  // waits in the queue until a pump or the modal loop delivers it.
  void post(const WindowMessage& message);
  std::vector<Event> history() const;
  // Virtual time a message box stays open before the user answers.
  std::uint64_t message_box_wait_ms = 0;
  // The modal loop: advances virtual time by `ms`, delivering the posted
  // messages and dispatching WM_TIMER for every timer that falls due, in
  // deadline order (ties in the order the timers were set). Stops early
  // once the dialog has ended.
  template <typename F>
  void run_for(std::uint64_t ms, F dispatch) {
    run_loop(ms, as_dispatch(std::move(dispatch)));
  }
  // The dialog has ended, or a WM_CLOSE waits in its queue: the modal loop
  // delivers it as soon as the running handler returns, and its default
  // processing ends the dialog.
  bool closed() const;
  // The result the dialog ended with: IDCANCEL for a close.
  int result() const;
  int pumps() const { return pumps_; }
  std::vector<int> positions(int control);  // every position set, in order
  int message_box_answer = kIdOk;
  std::vector<int> loaded_bitmaps;  // in the order loaded
  bool minimized = false;
  std::pair<int, int> client_size{161, 24};  // a minimised window's client area
  std::vector<std::pair<int, int>> painted_icons;

 protected:
  // The box runs its own message loop until the user answers: the window's
  // timers keep firing meanwhile.
  int answer_message_box(const MessageBoxRecord& box) override;

 private:
  void run_loop(std::uint64_t ms, const Dispatch& dispatch);
  // Delivers the posted messages, the default processing included.
  void deliver_posted(const Dispatch& dispatch);

  SimClock& sim_clock_;
  SimDesktop* desktop_ = nullptr;
  std::uintptr_t window_ = 0;
  std::map<int, std::vector<int>> positions_;
  Dispatch dispatch_;
  std::deque<WindowMessage> posted_;
  std::vector<Event> history_;
  std::map<BrushRef, std::uint32_t> brushes_;
  BrushRef next_brush_ = 0x7000;
  int pumps_ = 0;
};

}  // namespace platform::sim
