#include "monitor/tray_dialog.h"

namespace tessaly {

CTrayDialog::CTrayDialog(int dialog_template, platform::TrackingThread& tracking)
    : tracking_(tracking),
      stop_event_(tracking),
      thread_(tracking),
      dialog_template_(dialog_template) {
  icon_record_.size = kNotifyIconRecordSize;
  icon_record_.id = kTrayIconId;
  icon_record_.flags = platform::kNifMessage;
  icon_record_.callback_message = kTrayCallbackMessage;
  *stop_event_.receive() = tracking_.create_stop_event();
  *thread_.receive() = tracking_.start([this] { tracking_loop(); });
}

CTrayDialog::~CTrayDialog() {
  // A window that was never created (or never destroyed) still must not
  // leave the thread running on a dead object.
  on_destroy();
}

void CTrayDialog::attach(platform::TrayWindowHost* host) {
  host_ = host;
  on_create();
}

void CTrayDialog::on_create() {
  if (host_ == nullptr) return;
  icon_record_.window = host_->window();
  icon_record_.id = kTrayIconId;
}

void CTrayDialog::on_destroy() {
  if (host_ != nullptr && icon_record_.window != 0 && icon_record_.id > 0 && icon_in_tray_) {
    if (host_->notify_icon(platform::kNimDelete, icon_record_)) icon_in_tray_ = 0;
  }
  if (thread_) {
    tracking_.signal_stop();
    if (!tracking_.join(kTrackingStopWaitMs)) tracking_.terminate();
    thread_.reset();
  }
  stop_event_.reset();
}

void CTrayDialog::add_icon_again() {
  // An icon that cannot be added stays as it was: the next notice or a
  // minimise tries again.
  if (host_ != nullptr && host_->notify_icon(platform::kNimAdd, icon_record_)) icon_in_tray_ = 1;
}

platform::Point CTrayDialog::cursor() {
  platform::Point point;
  if (host_ != nullptr) host_->cursor_position(&point);
  return point;
}

const platform::MessageMapEntry<CTrayDialog> CTrayDialog::kMessageMap[] = {
    platform::on_message<CTrayDialog>(platform::kWmDestroy, &CTrayDialog::on_destroy_message),
    platform::on_message<CTrayDialog>(platform::kWmSysCommand, &CTrayDialog::on_sys_command),
    platform::on_message<CTrayDialog>(kTrayCallbackMessage, &CTrayDialog::on_tray_callback),
};

platform::MessageResult CTrayDialog::handle_message(const platform::WindowMessage& message) {
  return platform::dispatch_message_map(*this, kMessageMap, message);
}

platform::MessageResult CTrayDialog::on_destroy_message(const platform::WindowMessage&) {
  on_destroy();
  // The window's host goes with the window.
  host_ = nullptr;
  return {false, 0};  // default handling goes on
}

platform::MessageResult CTrayDialog::on_sys_command(const platform::WindowMessage& message) {
  const std::uintptr_t command = message.wparam;
  if (minimize_to_tray_ != 1 || (command & 0xFFF0) != platform::kScMinimize) return {false, 0};
  if (host_ != nullptr && !icon_in_tray_ && host_->notify_icon(platform::kNimAdd, icon_record_)) {
    icon_in_tray_ = 1;
    host_->show_window(platform::kSwHide);
  }
  return {true, 0};
}

// The icon's mouse events arrive as the callback message with the icon's id
// and the mouse message.
platform::MessageResult CTrayDialog::on_tray_callback(const platform::WindowMessage& message) {
  if (message.wparam != kTrayIconId) return {true, 0};
  const platform::Point at = cursor();
  switch (static_cast<std::uint32_t>(message.lparam)) {
    case platform::kWmMouseMove:
      last_x_.store(at.x);
      last_y_.store(at.y);
      if (hover_tracking_.load() == 0) {
        if (host_ != nullptr)
          host_->post_message(kTrayCallbackMessage, kTrayIconId, platform::kWmMouseHover);
        hover_tracking_.store(1);
      }
      HandleTrayMove(at.x, at.y);
      break;
    case platform::kWmLButtonDown:
      HandleTrayLeftDown(at.x, at.y);
      break;
    case platform::kWmLButtonDblClk:
      HandleTrayLeftDouble(at.x, at.y);
      break;
    case platform::kWmRButtonDown:
    case platform::kWmContextMenu:
      HandleTrayRightDown(at.x, at.y);
      break;
    case platform::kWmRButtonDblClk:
      HandleTrayRightDouble(at.x, at.y);
      break;
    case platform::kWmMouseHover:
      HandleTrayHover(at.x, at.y);
      break;
    case platform::kWmMouseLeave:
      HandleTrayLeave(at.x, at.y);
      break;
    default:
      break;
  }
  return {true, 0};
}

void CTrayDialog::HandleTrayLeftDown(int, int) {}
void CTrayDialog::HandleTrayLeftDouble(int, int) {}
void CTrayDialog::HandleTrayRightDouble(int, int) {}
void CTrayDialog::HandleTrayMove(int, int) {}
void CTrayDialog::HandleTrayHover(int, int) {}
void CTrayDialog::HandleTrayLeave(int, int) {}

void CTrayDialog::HandleTrayRightDown(int x, int y) {
  menu_position_ = {x, y};
  if (host_ == nullptr) return;
  host_->set_default_menu_item(default_item_);
  host_->track_popup_menu(x, y, platform::kTpmRightButton | platform::kTpmBottomAlign);
}

void CTrayDialog::tracking_sample() {
  if (hover_tracking_.load() != 1 || host_ == nullptr) return;
  platform::Point now;
  if (!host_->cursor_position(&now)) return;
  if (now.x != last_x_.load() || now.y != last_y_.load()) {
    hover_tracking_.store(0);
    host_->post_message(kTrayCallbackMessage, kTrayIconId, platform::kWmMouseLeave);
  }
}

void CTrayDialog::tracking_loop() {
  while (tracking_.wait_stop(kTrackingSampleMs) == platform::TrackingThread::Wait::Timeout)
    tracking_sample();
}

}  // namespace tessaly
