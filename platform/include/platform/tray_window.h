// The windows of the tray monitor: the hidden tray window with its
// notification-area icon and popup menu, and the borderless balloon. As with
// the dialogs, the logic never touches a window handle: it asks its host,
// which is a real window in the Windows build and a recorded one in the
// simulation.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/desktop.h"
#include "platform/message_map.h"

namespace platform {

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// A window as the system knows it (HWND), for the calls that pass one on.
using WindowId = std::uintptr_t;
// An icon, font or brush handle.
using GdiRef = std::uintptr_t;

// Window messages of the tray monitor.
inline constexpr std::uint32_t kWmCreate = 0x0001;
// kWmDestroy comes from platform/message_map.h, kWmPaint from
// platform/desktop.h.
inline constexpr std::uint32_t kWmSysCommand = 0x0112;
inline constexpr std::uint32_t kWmContextMenu = 0x007B;
inline constexpr std::uint32_t kWmMouseMove = 0x0200;
inline constexpr std::uint32_t kWmLButtonDown = 0x0201;
inline constexpr std::uint32_t kWmLButtonDblClk = 0x0203;
inline constexpr std::uint32_t kWmRButtonDown = 0x0204;
inline constexpr std::uint32_t kWmRButtonDblClk = 0x0206;
inline constexpr std::uint32_t kWmMouseHover = 0x02A1;
inline constexpr std::uint32_t kWmMouseLeave = 0x02A3;
inline constexpr std::uint32_t kWmUser = 0x0400;
inline constexpr std::uint32_t kScMinimize = 0xF020;

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

// TrackPopupMenu flags, ShowWindow commands, MessageBox buttons.
inline constexpr std::uint32_t kTpmRightButton = 0x0002;
inline constexpr std::uint32_t kTpmRightAlign = 0x0008;
inline constexpr std::uint32_t kTpmBottomAlign = 0x0020;
inline constexpr int kSwHide = 0;
inline constexpr int kSwRestore = 9;
inline constexpr std::uint32_t kMbOkCancelButtons = 0x1;

// What a window procedure answers for a message the logic handled.
struct MessageResult {
  bool handled = false;
  std::intptr_t result = 0;
};

class TrayWindowHost {
 public:
  virtual ~TrayWindowHost() = default;
  virtual WindowId window() = 0;
  virtual bool set_timer(std::uint32_t id, std::uint32_t period_ms) = 0;
  virtual void kill_timer(std::uint32_t id) = 0;
  // WM_SETICON, big and small, with an icon resource.
  virtual void set_window_icon(int icon_resource) = 0;
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

  // A message box owned by the tray window.
  virtual int message_box(std::u16string_view text, std::u16string_view caption,
                          std::uint32_t flags) = 0;
  // A message box owned by the window of this thread that has the keyboard
  // focus, or by no window when none has it.
  virtual int message_box_for_focus(std::u16string_view text, std::u16string_view caption,
                                    std::uint32_t flags) = 0;
  // PostMessage to the tray window; safe from any thread.
  virtual bool post_message(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) = 0;
  // GetCursorPos; safe from any thread.
  virtual bool cursor_position(Point* point) = 0;
  virtual void show_window(int command) = 0;
  virtual bool is_minimized() = 0;
  // The minimised dialog's painting: its icon centred in the client area.
  virtual void paint_centred_icon(GdiRef icon) = 0;
  // Ends the modal loop of the tray window.
  virtual void end_dialog(int result) = 0;
};

// The behaviour behind the tray window.
class TrayWindowLogic {
 public:
  virtual ~TrayWindowLogic() = default;
  virtual void attach(TrayWindowHost* host) = 0;
  virtual bool OnInitDialog() = 0;
  virtual MessageResult handle_message(const WindowMessage& message) = 0;
};

// A drawing surface: GDI in the Windows build, a recording in tests. Colours
// are COLORREF values (0x00BBGGRR).
class Canvas {
 public:
  virtual ~Canvas() = default;
  virtual GdiRef create_font(std::u16string_view face, int height, int weight, int char_set,
                             int pitch_and_family) = 0;
  virtual void release_font(GdiRef font) = 0;
  virtual GdiRef create_brush(std::uint32_t color) = 0;
  virtual void release_brush(GdiRef brush) = 0;
  virtual void select_font(GdiRef font) = 0;
  virtual void set_text_color(std::uint32_t color) = 0;
  virtual void set_transparent_background() = 0;
  virtual void fill_rect(const Rect& rect, GdiRef brush) = 0;
  virtual void draw_text(std::u16string_view text, const Rect& rect, std::uint32_t flags) = 0;
};

inline constexpr std::uint32_t rgb(int red, int green, int blue) {
  return static_cast<std::uint32_t>(red) | (static_cast<std::uint32_t>(green) << 8) |
         (static_cast<std::uint32_t>(blue) << 16);
}

// DrawText flags and font constants.
inline constexpr std::uint32_t kDtLeft = 0x0;
inline constexpr std::uint32_t kDtTop = 0x0;
inline constexpr std::uint32_t kDtCenter = 0x1;
inline constexpr std::uint32_t kDtWordBreak = 0x10;
inline constexpr std::uint32_t kDtNoPrefix = 0x800;
inline constexpr int kDefaultCharSet = 1;
inline constexpr int kFfSwiss = 0x20;

// The balloon's window: a top-level popup without owner.
class BalloonWindowHost {
 public:
  virtual ~BalloonWindowHost() = default;
  // Registers the window class and creates the hidden window.
  virtual bool create() = 0;
  virtual bool set_timer(std::uint32_t id, std::uint32_t period_ms) = 0;
  virtual void kill_timer(std::uint32_t id) = 0;
  virtual void move_window(const Rect& rect, bool repaint) = 0;
  virtual void show_window(int command) = 0;
  virtual void bring_to_top() = 0;
  virtual void invalidate(bool erase) = 0;
};

// What the monitor needs from the system beyond its windows.
class MonitorSystem {
 public:
  virtual ~MonitorSystem() = default;
  // CreateMutexW(initial owner) then ReleaseMutex; the handle stays open for
  // the process. `already_exists` is GetLastError() == ERROR_ALREADY_EXISTS.
  virtual void create_instance_mutex(std::u16string_view name, bool* already_exists) = 0;
  virtual void init_common_controls() = 0;
  // The primary monitor's work area (GetMonitorInfoW).
  virtual Rect work_area() = 0;
  // The screen's dots per inch (96 at 100 %, 144 at 150 %), as a program
  // that declares itself DPI aware sees it.
  virtual int screen_dpi() = 0;
  // The hook library's two calls.
  virtual void set_mouse_hook(WindowId window) = 0;
  virtual void clear_mouse_hook(WindowId window) = 0;
  // Runs the modal tray window; returns when it ends.
  virtual int run_tray_window(int dialog_template, TrayWindowLogic& logic) = 0;
};

// The cursor-tracking thread and its stop event.
class TrackingThread {
 public:
  virtual ~TrackingThread() = default;
  enum class Wait { kTimeout, kSignalled, kFailed };
  virtual bool create_stop_event() = 0;
  virtual bool start(std::function<void()> body) = 0;
  virtual bool running() = 0;
  // Waits on the stop event (the thread's side).
  virtual Wait wait_stop(std::uint32_t timeout_ms) = 0;
  virtual void signal_stop() = 0;
  // Waits for the thread to end; false on time-out.
  virtual bool join(std::uint32_t timeout_ms) = 0;
  virtual void terminate() = 0;
  // Closes the thread's handle / the event's handle.
  virtual void close_thread() = 0;
  virtual void close_stop_event() = 0;
};

}  // namespace platform
