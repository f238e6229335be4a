// A dialog's logic talking to a real dialog window: each call of the host
// port is one or two user32 calls on the window or one of its controls.
#pragma once

#include <map>

#include "platform/dialog_host.h"
#include "platform_win32/win32_window_host.h"
#include "platform_win32/windows_api.h"

namespace platform_win32 {

class Win32DialogHost : public Win32ModalHost<platform::DialogHost> {
 public:
  explicit Win32DialogHost(HWND dialog) : Win32ModalHost(dialog) {}
  ~Win32DialogHost() override;
  Win32DialogHost(const Win32DialogHost&) = delete;
  Win32DialogHost& operator=(const Win32DialogHost&) = delete;

  HWND window() const { return window_; }
  std::uintptr_t window_ref() override { return reinterpret_cast<std::uintptr_t>(window_); }

  void set_title(std::u16string_view title) override;
  std::u16string title() override;
  void set_text(int control, std::u16string_view text) override;
  std::u16string text(int control) override;
  // Called once from the pre-install worker thread: EnableWindow on another
  // thread's window is delivered through that thread's message queue.
  void enable(int control, bool enabled) override;
  bool is_enabled(int control) override;
  void show(int control, bool visible) override;
  bool is_visible(int control) override;
  void set_check(int control, bool checked) override;
  bool is_checked(int control) override;
  void combo_add(int control, std::u16string_view item) override;
  void combo_reset(int control) override;
  void combo_select(int control, int index) override;
  int combo_selection(int control) override;
  void progress_range(int control, int low, int high) override;
  void progress_position(int control, int position) override;
  void set_bitmap(int control, int bitmap_resource) override;
  void pump_messages() override;
  void load_bitmap(int bitmap_resource) override;
  bool is_minimized() override;
  void icon_paint_sizes(int* client_width, int* client_height, int* icon_width,
                        int* icon_height) override;
  void paint_icon(int x, int y) override;
  void set_dialog_face_font(int control, int height, int weight) override;
  BrushRef create_solid_brush(std::uint32_t color) override;
  void delete_brush(BrushRef brush) override;
  std::uint32_t system_color(int index) override;
  void set_control_colors(int control, std::uint32_t text_color, std::uint32_t background_color,
                          BrushRef brush) override;

  // For the dialog procedure's WM_CTLCOLORSTATIC: a control with colours of
  // its own gets them on `dc` and its background brush back; others null.
  HBRUSH static_colors(HWND control, HDC dc) const;

  // A modal dialog's own answers: a control with colours of its own is
  // painted in them, Enter and Escape (IDOK, IDCANCEL) and the close box end
  // the dialog, and dragging the minimised dialog shows its icon.
  std::optional<LRESULT> own_answer(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  struct StaticColors {
    COLORREF text;
    COLORREF background;
    HBRUSH brush;  // the caller's
  };
  HWND item(int control) const { return GetDlgItem(window_, control); }

  // Bitmaps loaded from the resources, kept until the host goes: the static
  // controls show them but never delete them.
  std::map<int, ScopedGdiObject> bitmaps_;
  std::map<int, StaticColors> colors_;
  std::map<int, ScopedGdiObject> fonts_;
};

// Window text of any window, whatever its length.
std::u16string window_text(HWND window);

}  // namespace platform_win32
