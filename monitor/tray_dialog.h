// A hidden dialog that keeps an icon in the notification area, opens a popup
// menu from it and, with a cursor-tracking thread, reports when the cursor
// leaves the icon (the notification area itself reports no leave).
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/tracking_thread.h"
#include "platform/tray_window.h"
#include "platform/util/message_map.h"
#include "platform/util/scoped.h"

namespace tessaly {

inline constexpr std::uint32_t kTrayCallbackMessage = platform::kWmUser + 1;
inline constexpr std::uint32_t kTrayIconId = 1;
// cbSize of the icon record: NOTIFYICONDATAW up to and including guidItem.
inline constexpr std::uint32_t kNotifyIconRecordSize = 952;
inline constexpr std::uint32_t kTrackingSampleMs = 100;
inline constexpr std::uint32_t kTrackingStopWaitMs = 5000;

// The tracking port keeps its thread and stop event handles itself; these
// owners hold the duty to close them, so no path of the dialog closes by hand.
inline void close_tracking_thread(platform::TrackingThread& tracking, bool) {
  tracking.close_thread();
}
inline void close_tracking_stop_event(platform::TrackingThread& tracking, bool) {
  tracking.close_stop_event();
}
using TrackingThreadHold = platform::Scoped<platform::TrackingThread, bool, &close_tracking_thread>;
using TrackingStopEventHold =
    platform::Scoped<platform::TrackingThread, bool, &close_tracking_stop_event>;

class CTrayDialog : public platform::TrayWindowLogic {
 public:
  // Creates the stop event and starts the cursor-tracking thread.
  CTrayDialog(int dialog_template, platform::TrackingThread& tracking);
  ~CTrayDialog() override;
  CTrayDialog(const CTrayDialog&) = delete;
  CTrayDialog& operator=(const CTrayDialog&) = delete;

  void attach(platform::TrayWindowHost* host) override;
  bool OnInitDialog() override { return true; }
  platform::MessageResult handle_message(const platform::WindowMessage& message) override;

  // The tray icon's mouse events, with the cursor position.
  virtual void HandleTrayLeftDown(int x, int y);
  virtual void HandleTrayLeftDouble(int x, int y);
  virtual void HandleTrayRightDown(int x, int y);
  virtual void HandleTrayRightDouble(int x, int y);
  virtual void HandleTrayMove(int x, int y);
  virtual void HandleTrayHover(int x, int y);
  virtual void HandleTrayLeave(int x, int y);

  // One time-out of the tracking thread: a cursor that moved away from the
  // last position reported over the icon ends the hover.
  void tracking_sample();
  // The tracking thread's body.
  void tracking_loop();

  int dialog_template() const { return dialog_template_; }
  bool icon_in_tray() const { return icon_in_tray_ != 0; }
  bool hover_tracking() const { return hover_tracking_.load() != 0; }
  platform::Point menu_position() const { return menu_position_; }

 protected:
  void on_create();
  void on_destroy();
  platform::MessageResult on_destroy_message(const platform::WindowMessage& message);
  platform::MessageResult on_sys_command(const platform::WindowMessage& message);
  platform::MessageResult on_tray_callback(const platform::WindowMessage& message);
  platform::Point cursor();
  // The shell made a new notification area: the icon must be added to it,
  // or Off, Close and Uninstall could no longer be reached.
  void add_icon_again();

  platform::TrayWindowHost* host_ = nullptr;
  int minimize_to_tray_ = 1;
  int icon_in_tray_ = 0;
  platform::NotifyIconRecord icon_record_;
  int default_item_ = 0;
  platform::TrackingThread& tracking_;
  TrackingStopEventHold stop_event_;
  TrackingThreadHold thread_;
  // Shared with the tracking thread, which only reads the position and reads
  // and clears the flag; a stale read costs at most one extra message.
  std::atomic<int> hover_tracking_{0};
  std::atomic<int> last_x_{0};
  std::atomic<int> last_y_{0};
  platform::Point menu_position_;

 private:
  static const platform::MessageMapEntry<CTrayDialog> kMessageMap[];
  int dialog_template_;
};

}  // namespace tessaly
