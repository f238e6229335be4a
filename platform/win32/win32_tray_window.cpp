#include "platform_win32/win32_tray_window.h"

#include "platform/util/icon_origin.h"
#include "platform_win32/win32_window_host.h"
#include "platform_win32/window_procedure.h"
#include "platform_win32/windows_api.h"

// After windows.h.
#include <shellapi.h>

#include <cstddef>

namespace platform_win32 {
namespace {

// The monitor's icon record names 952 bytes: NOTIFYICONDATAW up to and
// including guidItem in the 32-bit layout, and up to guidItem (the shell's
// version-2 size) in the 64-bit one. Both are sizes the shell accepts.
#if defined(_WIN64)
static_assert(offsetof(NOTIFYICONDATAW, guidItem) == 952, "64-bit icon record size");
#else
static_assert(offsetof(NOTIFYICONDATAW, guidItem) + sizeof(GUID) == 952, "32-bit icon record size");
#endif

class Win32TrayHost : public Win32ModalHost<platform::TrayWindowHost> {
 public:
  explicit Win32TrayHost(HWND window) : Win32ModalHost(window) {}

  platform::WindowId window() override { return reinterpret_cast<platform::WindowId>(window_); }
  platform::GdiRef load_icon(int icon_resource) override {
    return reinterpret_cast<platform::GdiRef>(
        LoadIconW(program_instance(), MAKEINTRESOURCEW(icon_resource)));
  }

  bool notify_icon(std::uint32_t operation, const platform::NotifyIconRecord& record) override {
    NOTIFYICONDATAW data{};
    // The size the record names: the shell reads only that much of it.
    data.cbSize = record.size <= sizeof data ? record.size : sizeof data;
    data.hWnd = reinterpret_cast<HWND>(record.window);
    data.uID = record.id;
    data.uFlags = record.flags;
    data.uCallbackMessage = record.callback_message;
    data.hIcon = reinterpret_cast<HICON>(record.icon);
    static_assert(sizeof data.szTip == sizeof record.tip, "tip text sizes agree");
    memcpy(data.szTip, record.tip, sizeof data.szTip);
    return Shell_NotifyIconW(operation, &data) != FALSE;
  }

  bool load_menu(int menu_resource) override {
    menu_.reset(LoadMenuW(program_instance(), MAKEINTRESOURCEW(menu_resource)));
    return menu_.valid();
  }
  HMENU popup() const { return menu_ ? GetSubMenu(menu_.get(), 0) : nullptr; }
  void check_menu_item(int command, bool checked) override {
    if (menu_)
      CheckMenuItem(menu_.get(), static_cast<UINT>(command),
                    MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
  }
  void set_default_menu_item(int position) override {
    if (HMENU p = popup()) SetMenuDefaultItem(p, static_cast<UINT>(position), TRUE);
  }
  void track_popup_menu(int x, int y, std::uint32_t flags) override {
    if (HMENU p = popup()) TrackPopupMenu(p, flags, x, y, 0, window_, nullptr);
  }
  int menu_item_count() override {
    HMENU p = popup();
    return p ? GetMenuItemCount(p) : 0;
  }
  bool menu_item_rect(int position, platform::Rect* rect) override {
    HMENU p = popup();
    RECT r{};
    // No window: for a popup menu the system finds the menu's own window.
    // Given the owner, Wine maps the item from the owner's client area.
    if (p == nullptr || !GetMenuItemRect(nullptr, p, static_cast<UINT>(position), &r)) return false;
    *rect = {r.left, r.top, r.right, r.bottom};
    return true;
  }
  void end_menu() override { EndMenu(); }

  int message_box_for_focus(std::u16string_view text, std::u16string_view caption,
                            std::uint32_t flags) override {
    return owned_message_box(GetFocus(), text, caption, flags);
  }
  bool cursor_position(platform::Point* point) override {
    POINT p{};
    if (!GetCursorPos(&p)) return false;
    *point = {p.x, p.y};
    return true;
  }
  void show_window(int command) override { ShowWindow(window_, command); }
  bool is_minimized() override { return IsIconic(window_) != FALSE; }
  void paint_centred_icon(platform::GdiRef icon) override {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    SendMessageW(window_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client{};
    GetClientRect(window_, &client);
    const platform::IconOrigin at =
        platform::centered_icon_origin(client.right - client.left, client.bottom - client.top,
                                       GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    if (icon != 0) DrawIcon(dc, at.x, at.y, reinterpret_cast<HICON>(icon));
    EndPaint(window_, &paint);
  }

 private:
  ScopedMenu menu_;
};

using TrayRoute = DialogRoute<Win32TrayHost, platform::TrayWindowLogic>;

}  // namespace

void Win32MonitorSystem::set_mouse_hook(platform::WindowId window) {
  if (set_hook_) set_hook_(window);
}

void Win32MonitorSystem::clear_mouse_hook(platform::WindowId window) {
  if (clear_hook_) clear_hook_(window);
}

int Win32MonitorSystem::run_tray_window(int dialog_template, platform::TrayWindowLogic& logic) {
  TrayRoute route(logic);
  return static_cast<int>(run_routed_dialog(dialog_template, nullptr, route));
}

}  // namespace platform_win32
