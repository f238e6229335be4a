#include "monitor/tessaly_dlg.h"

#include "monitor/status_poll.h"
#include "platform/dialog_host.h"
#include "platform/util/text.h"
#include "resources/tessaly_ids.h"

namespace tessaly {

CTessalyDlg::CTessalyDlg(MonitorPorts ports)
    : CTrayDialog(IDD_TESSALY_DIALOG, ports.tracking),
      platform_(ports.platform),
      system_(ports.system),
      balloon_window_(ports.balloon_window),
      mouse_click_message_(ports.mouse_click_message),
      taskbar_created_message_(ports.taskbar_created_message),
      balloon_(ports.platform, ports.system) {
  balloon_.attach(&balloon_window_);
}

void CTessalyDlg::attach(platform::TrayWindowHost* host) {
  CTrayDialog::attach(host);
  if (host_ != nullptr) app_icon_ = host_->load_icon(IDR_MAINFRAME);
}

bool CTessalyDlg::OnInitDialog() {
  if (host_ == nullptr) return true;
  host_->set_icon(IDR_MAINFRAME);
  if (const platform::GdiRef icon = host_->load_icon(IDR_MAINFRAME)) {
    icon_record_.flags |= platform::kNifIcon;
    icon_record_.icon = icon;
  }
  host_->load_menu(IDR_TRAY_MENU);
  if (!icon_in_tray_ && host_->notify_icon(platform::kNimAdd, icon_record_)) icon_in_tray_ = 1;
  load_display_settings();
  host_->set_timer(kTickTimerId, kTickMs);
  display().elapsed_ms = 0;
  display().hide_after_ms = kShowingHideAfterMs;
  // A balloon that cannot be created leaves the tray icon working.
  balloon_.create_balloon();
  system_.set_mouse_hook(host_->window());
  return true;
}

const platform::MessageMapEntry<CTessalyDlg> CTessalyDlg::kMessageMap[] = {
    platform::on_registered_message<CTessalyDlg>(&CTessalyDlg::mouse_click_message_,
                                                 &CTessalyDlg::close_menu_on_outside_click),
    platform::on_registered_message<CTessalyDlg>(&CTessalyDlg::taskbar_created_message_,
                                                 &CTessalyDlg::add_icon_again),
    platform::on_message<CTessalyDlg>(platform::kWmPaint, &CTessalyDlg::on_paint),
    platform::on_message<CTessalyDlg>(platform::kWmQueryDragIcon, &CTessalyDlg::on_query_drag_icon),
    platform::on_message<CTessalyDlg>(platform::kWmTimer, &CTessalyDlg::on_timer),
    platform::on_message<CTessalyDlg>(platform::kWmDisplayChange, &CTessalyDlg::on_display_change),
    platform::on_message<CTessalyDlg>(platform::kWmSettingChange, &CTessalyDlg::on_setting_change),
    platform::on_message<CTessalyDlg>(platform::kWmClose, &CTessalyDlg::on_close),
    platform::on_message<CTessalyDlg>(platform::kWmQueryEndSession,
                                      &CTessalyDlg::on_query_end_session),
    platform::on_message<CTessalyDlg>(platform::kWmEndSession, &CTessalyDlg::on_end_session),
    // The popup menu's commands.
    platform::on_command<CTessalyDlg>(ID_TRAY_CLOSE, 0, &CTessalyDlg::on_tray_close),
    platform::on_command<CTessalyDlg>(ID_TRAY_UNINSTALL, 0, &CTessalyDlg::on_uninstall),
    platform::on_command<CTessalyDlg>(ID_DISPLAY_OFF, 0, &CTessalyDlg::on_display_off),
    platform::on_command<CTessalyDlg>(ID_DISPLAY_POPUP, 0, &CTessalyDlg::on_display_popup),
    platform::on_command<CTessalyDlg>(ID_DISPLAY_ALWAYS, 0, &CTessalyDlg::on_display_always),
    platform::on_any_command<CTessalyDlg>(0, &CTessalyDlg::on_other_command),
};

// The tray window's own messages first, then those of every tray dialog.
platform::MessageResult CTessalyDlg::handle_message(const platform::WindowMessage& message) {
  const platform::MessageResult result =
      platform::dispatch_message_map(*this, kMessageMap, message);
  return result.handled ? result : CTrayDialog::handle_message(message);
}

platform::MessageResult CTessalyDlg::on_paint(const platform::WindowMessage&) {
  if (host_ != nullptr && host_->is_minimized()) {
    host_->paint_centred_icon(app_icon_);
    return {true, 0};
  }
  // The dialog only owns the icon and the menu; it never stays visible.
  if (host_ != nullptr) host_->show_window(platform::kSwHide);
  return {false, 0};
}

platform::MessageResult CTessalyDlg::on_query_drag_icon(const platform::WindowMessage&) {
  return {true, static_cast<std::intptr_t>(app_icon_)};
}

platform::MessageResult CTessalyDlg::on_timer(const platform::WindowMessage& message) {
  monitor_tick(message.wparam);
  return {false, 0};
}

// A new screen size, a monitor gone, a taskbar moved: the balloon's corner
// moves with the work area.
platform::MessageResult CTessalyDlg::on_display_change(const platform::WindowMessage&) {
  balloon_.work_area_changed();
  return {false, 0};
}

platform::MessageResult CTessalyDlg::on_setting_change(const platform::WindowMessage& message) {
  if (message.wparam == platform::kSpiSetWorkArea) balloon_.work_area_changed();
  return {false, 0};
}

void CTessalyDlg::on_tray_close() {
  if (host_ != nullptr) host_->post_message(platform::kWmClose, 0, 0);
}
void CTessalyDlg::on_display_off() { choose_mode(1, 0, 0); }
void CTessalyDlg::on_display_popup() { choose_mode(0, 1, 0); }
void CTessalyDlg::on_display_always() { choose_mode(0, 0, 1); }
// The version line does nothing.
void CTessalyDlg::on_other_command(std::uintptr_t) {}

void CTessalyDlg::choose_mode(int off, int popup, int always) {
  set_mode_checks(off != 0, popup != 0, always != 0);
  DisplayState& state = display();
  state.mode_off = off;
  state.mode_popup = popup;
  state.mode_always = always;
  // Always keeps the balloon up; a balloon already pinned by the cursor is
  // not started again.
  if (always && state.pinned != 1) show_pinned();
  save_display_settings();
}

void CTessalyDlg::show_pinned() {
  DisplayState& state = display();
  state.pinned = 1;
  state.elapsed_ms = 0;
  state.hide_after_ms = kShowingHideAfterMs;
  balloon_.show_balloon();
}

void CTessalyDlg::HandleTrayHover(int, int) {
  if (display().pinned == 1) return;
  show_pinned();
}

void CTessalyDlg::HandleTrayLeave(int, int) {
  if (display().pinned) display().pinned = 0;
}

void CTessalyDlg::set_mode_checks(bool off, bool popup, bool always) {
  if (host_ == nullptr) return;
  host_->check_menu_item(ID_DISPLAY_OFF, off);
  host_->check_menu_item(ID_DISPLAY_POPUP, popup);
  host_->check_menu_item(ID_DISPLAY_ALWAYS, always);
}

void CTessalyDlg::on_close() {
  if (host_ == nullptr) return;
  if (icon_in_tray_ && host_->notify_icon(platform::kNimDelete, icon_record_)) icon_in_tray_ = 0;
  system_.clear_mouse_hook(host_->window());
  host_->end_dialog(platform::kIdCancel);
}

// Nothing of the monitor's needs saving first: the session may end.
platform::MessageResult CTessalyDlg::on_query_end_session(const platform::WindowMessage&) {
  return {true, 1};
}

// The session ends (log off, shut down, an installer's restart): the icon
// and the hook go now, as on WM_CLOSE, since the process may be ended as
// soon as this returns. A session that goes on changes nothing.
platform::MessageResult CTessalyDlg::on_end_session(const platform::WindowMessage& message) {
  if (message.wparam != 0) on_close();
  return {true, 0};
}

void CTessalyDlg::close_menu_on_outside_click() {
  if (host_ == nullptr) return;
  platform::Point at;
  host_->cursor_position(&at);
  const int items = host_->menu_item_count();
  platform::Rect first, last;
  if (items <= 0 || !host_->menu_item_rect(0, &first) || !host_->menu_item_rect(items - 1, &last)) {
    // No menu to measure: nothing is open, and ending none is harmless.
    host_->end_menu();
    return;
  }
  // The menu's real place, from its first and last items. Windows moves a
  // menu that would not fit where it was asked for: at the corner of the
  // notification area it opens to the left of the cursor, under a taskbar at
  // the top it opens below it. The position the menu was opened at would
  // take a click on its own items there for a click outside.
  const bool inside =
      first.left < at.x && at.x < last.right && first.top < at.y && at.y < last.bottom;
  if (!inside) host_->end_menu();
}

void CTessalyDlg::monitor_tick(std::uintptr_t id) {
  DisplayState& state = display();
  set_mode_checks(state.mode_off != 0, state.mode_popup != 0, state.mode_always != 0);
  // Writes back a switch to Off made by a poll.
  if (state.mode_off || state.mode_popup) save_display_settings();

  if (state.error_pending) {
    const auto timer = static_cast<std::uint32_t>(id);
    if (host_ != nullptr) host_->kill_timer(timer);
    state.error_pending = 0;
    if (host_ != nullptr)
      host_->message_box_for_focus(platform::view_of(state.error_text), u"WinDrv Encoding Error",
                                   platform::kMbOk);
    platform_.clock.sleep(20);
    state.error_text[0] = 0;
    if (host_ != nullptr) host_->set_timer(timer, kTickMs);
  }

  if (id == kTickTimerId && !state.mode_off) {
    poll_printer_status(platform_, state, tick_snapshot_);
    bool active = false;
    for (std::uint32_t i = 0; i < tick_snapshot_.count && i < kMaxRecords; ++i)
      if (tick_snapshot_.records[i].active) active = true;
    if (active && state.slide_state == Hidden) {
      state.elapsed_ms = 0;
      state.hide_after_ms = kShowingHideAfterMs;
      balloon_.show_balloon();
    }
  }
}

}  // namespace tessaly
