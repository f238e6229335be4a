// The tray monitor's hidden tray window: its notification-area icon, its
// popup menu, its message boxes. As with the dialogs, the logic never
// touches a window handle: it asks its host, which is a real window in the
// Windows build and a recorded one in the simulation.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/util/message_map.h"
#include "platform/window_host.h"
#include "platform/window_types.h"

namespace platform {

// Shell_NotifyIconW.
inline constexpr std::uint32_t kNimAdd = 0;
inline constexpr std::uint32_t kNimModify = 1;
inline constexpr std::uint32_t kNimDelete = 2;
inline constexpr std::uint32_t kNifMessage = 0x1;
inline constexpr std::uint32_t kNifIcon = 0x2;
inline constexpr std::uint32_t kNifTip = 0x4;

// The parts of NOTIFYICONDATAW the monitor fills in. `size` is what goes
// into cbSize.
struct NotifyIconRecord {
  std::uint32_t size = 0;
  WindowId window = 0;
  std::uint32_t id = 0;
  std::uint32_t flags = 0;
  std::uint32_t callback_message = 0;
  GdiRef icon = 0;
  char16_t tip[128] = {};
};

// TrackPopupMenu flags.
inline constexpr std::uint32_t kTpmRightButton = 0x0002;
inline constexpr std::uint32_t kTpmRightAlign = 0x0008;
inline constexpr std::uint32_t kTpmBottomAlign = 0x0020;

class TrayWindowHost : public ModalWindowHost {
 public:
  virtual WindowId window() = 0;
  // LoadIcon from the program's resources; 0 when missing.
  virtual GdiRef load_icon(int icon_resource) = 0;
  virtual bool notify_icon(std::uint32_t operation, const NotifyIconRecord& record) = 0;

  // The menu resource the popup comes from; its first submenu is the popup.
  virtual bool load_menu(int menu_resource) = 0;
  // CheckMenuItem by command, anywhere in the loaded menu.
  virtual void check_menu_item(int command, bool checked) = 0;
  // SetMenuDefaultItem by position in the popup.
  virtual void set_default_menu_item(int position) = 0;
  // TrackPopupMenu of the popup, owned by the tray window; returns when the
  // menu closes (the chosen command arrives as WM_COMMAND).
  virtual void track_popup_menu(int x, int y, std::uint32_t flags) = 0;
  virtual int menu_item_count() = 0;
  // GetMenuItemRect of the popup's item at `position`, screen coordinates.
  virtual bool menu_item_rect(int position, Rect* rect) = 0;
  virtual void end_menu() = 0;

  // A message box owned by the window of this thread that has the keyboard
  // focus, or by no window when none has it.
  virtual int message_box_for_focus(std::u16string_view text, std::u16string_view caption,
                                    std::uint32_t flags) = 0;
  // GetCursorPos; safe from any thread.
  virtual bool cursor_position(Point* point) = 0;
  virtual void show_window(int command) = 0;
  virtual bool is_minimized() = 0;
  // The minimised dialog's painting: its icon centred in the client area.
  virtual void paint_centred_icon(GdiRef icon) = 0;
};

// The behaviour behind the tray window.
using TrayWindowLogic = WindowLogic<TrayWindowHost>;

}  // namespace platform
