// The monitor's hidden tray window: the tray icon and its menu, the display
// mode and where it is kept, the 500 ms tick that polls the printers and
// shows the driver's error texts, and the balloon it owns.
#pragma once

#include <cstdint>

#include "monitor/balloon.h"
#include "monitor/tray_dialog.h"
#include "platform/monitor_system.h"
#include "platform/platform.h"
#include "platform/tray_window.h"
#include "platform/util/message_map.h"

namespace tessaly {

inline constexpr char16_t kSettingsKey[] = u"SOFTWARE\\Orlent System\\Tessaly";
inline constexpr char16_t kRunKey[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char16_t kRunValue[] = u"Tessaly";
inline constexpr std::uint32_t kTickTimerId = 999123;
inline constexpr std::uint32_t kTickMs = 500;
inline constexpr std::uint32_t kShowingHideAfterMs = 2000;
inline constexpr char16_t kInstanceMutexName[] = u"ORVANE_ZELKO_TESSALY_MUTEX";
// Broadcast by the shell when it has made the notification area anew (after
// Explorer restarts): the icons of the old one are gone.
inline constexpr char16_t kTaskbarCreatedMessageName[] = u"TaskbarCreated";

// Tessaly.exe started with this argument (elevated, by Uninstall) only
// removes its Run value and ends with the result as exit code.
inline constexpr char16_t kRemoveRunValueArgument[] = u"/RemoveRunValue";
// How long Uninstall waits for the elevated copy once the user has allowed it.
inline constexpr std::uint32_t kElevatedRemovalWaitMs = 30000;

// Opens the Run key with full access and deletes the value "Tessaly": the
// open's result (the delete's own result does not count, a value already
// gone is no failure).
platform::Win32Error remove_run_value(platform::Registry& registry);

// What the tray window needs besides its own host.
struct MonitorPorts {
  platform::Platform& platform;
  platform::MonitorSystem& system;
  platform::TrackingThread& tracking;
  platform::BalloonWindowHost& balloon_window;
  // The registered mouse-click message of the hook library.
  std::uint32_t mouse_click_message;
  // The registered "TaskbarCreated" message; 0 when it could not be
  // registered.
  std::uint32_t taskbar_created_message = 0;
};

class CTessalyDlg : public CTrayDialog {
 public:
  explicit CTessalyDlg(MonitorPorts ports);

  void attach(platform::TrayWindowHost* host) override;
  bool OnInitDialog() override;
  platform::MessageResult handle_message(const platform::WindowMessage& message) override;
  void HandleTrayHover(int x, int y) override;
  void HandleTrayLeave(int x, int y) override;

  // The 500 ms tick.
  void monitor_tick(std::uintptr_t id);
  void load_display_settings();
  void save_display_settings();

  CTBalloon& balloon() { return balloon_; }
  DisplayState& display() { return balloon_.display(); }

 private:
  static const platform::MessageMapEntry<CTessalyDlg> kMessageMap[];
  platform::MessageResult on_paint(const platform::WindowMessage& message);
  platform::MessageResult on_query_drag_icon(const platform::WindowMessage& message);
  platform::MessageResult on_timer(const platform::WindowMessage& message);
  platform::MessageResult on_display_change(const platform::WindowMessage& message);
  platform::MessageResult on_setting_change(const platform::WindowMessage& message);
  void on_tray_close();
  void on_display_off();
  void on_display_popup();
  void on_display_always();
  void on_other_command(std::uintptr_t command);
  void on_close();
  platform::MessageResult on_query_end_session(const platform::WindowMessage& message);
  platform::MessageResult on_end_session(const platform::WindowMessage& message);
  void on_uninstall();
  platform::Win32Error remove_run_value_elevated();
  void choose_mode(int off, int popup, int always);
  void set_mode_checks(bool off, bool popup, bool always);
  void close_menu_on_outside_click();
  void show_pinned();
  bool write_mode_values(platform::RegKey key);

  platform::Platform& platform_;
  platform::MonitorSystem& system_;
  platform::BalloonWindowHost& balloon_window_;
  std::uint32_t mouse_click_message_;
  std::uint32_t taskbar_created_message_;
  platform::GdiRef app_icon_ = 0;
  CTBalloon balloon_;
  StatusSnapshot tick_snapshot_{};
};

}  // namespace tessaly
