// The installer's dialog template in a real window, driven through the modal
// runner and the host port.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "pelmora_ids.h"
#include "platform/dialog_host.h"
#include "platform/util/text.h"
#include "platform_win32/modal_dialog.h"
#include "platform_win32/win32_dialog_host.h"
#include "platform_win32/windows_api.h"
#include "scripted_logic.h"

// After windows.h.
#include <commctrl.h>
#include <winver.h>

namespace {

using namespace platform;
using namespace platform_win32;
using test_support::ScriptedLogic;

std::u16string combo_item(HWND combo, int index) {
  wchar_t buffer[64] = {};
  if (SendMessageW(combo, CB_GETLBTEXTLEN, index, 0) >= 64) return u"(too long)";
  SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buffer));
  return from_wide(buffer);
}

// A control's place in pixels, from the template's dialog units: the dialog
// manager converts the origin and the size separately.
RECT template_rect(HWND dialog, int left, int top, int width, int height) {
  RECT origin{left, top, width, height};
  MapDialogRect(dialog, &origin);
  return RECT{origin.left, origin.top, origin.left + origin.right, origin.top + origin.bottom};
}

RECT client_rect_of(HWND dialog, int control) {
  RECT r{};
  GetWindowRect(GetDlgItem(dialog, control), &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST(Win32DialogTest, TemplateControlsAndLanguageListComeFromTheResources) {
  ScriptedLogic logic;
  std::vector<std::u16string> items;
  int selection_before = 0;
  bool scan_visible = true, status_visible = false, picture_set = false;
  std::u16string title;
  std::vector<std::pair<RECT, RECT>> places;
  LONG style = 0, ex_style = 0;
  logic.on_init = [&](DialogHost& host) {
    const HWND dialog = logic.window();
    const HWND combo = GetDlgItem(dialog, IDC_LANGUAGE);
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) items.push_back(combo_item(combo, i));
    selection_before = host.combo_selection(IDC_LANGUAGE);
    scan_visible = host.is_visible(IDC_SCAN);
    status_visible = host.is_visible(IDC_STATUS);
    picture_set = SendDlgItemMessageW(dialog, IDC_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0;
    title = host.title();
    style = GetWindowLongW(dialog, GWL_STYLE);
    ex_style = GetWindowLongW(dialog, GWL_EXSTYLE);
    places.push_back({template_rect(dialog, 102, 54, 246, 17), client_rect_of(dialog, IDC_STATUS)});
    places.push_back({template_rect(dialog, 258, 189, 90, 17), client_rect_of(dialog, IDC_NEXT)});
    places.push_back(
        {template_rect(dialog, 101, 76, 247, 8), client_rect_of(dialog, IDC_PROGRESS)});
    places.push_back({template_rect(dialog, 0, 0, 359, 41), client_rect_of(dialog, IDC_HEADER)});
    host.post_close();
    return true;
  };
  EXPECT_EQ(IDCANCEL, run_modal_dialog(IDD_PELMORA_DIALOG, logic));

  EXPECT_EQ((std::vector<std::u16string>{u"English", u"Korean", u"Spanish", u"Japanese",
                                         u"Chinese(CHI)", u"Chinese(CHT)", u"Indonesian",
                                         u"Portuguese", u"Persian", u"Russian"}),
            items);
  EXPECT_EQ(-1, selection_before);
  EXPECT_FALSE(scan_visible);
  EXPECT_TRUE(status_visible);
  EXPECT_TRUE(picture_set);
  EXPECT_EQ(u"Pelmora", title);
  EXPECT_EQ(static_cast<LONG>(WS_POPUP | WS_CAPTION | WS_SYSMENU),
            style & static_cast<LONG>(WS_POPUP | WS_CAPTION | WS_SYSMENU));
  EXPECT_NE(0, ex_style & WS_EX_APPWINDOW);
  for (const auto& [expected, actual] : places)
    EXPECT_EQ(std::tie(expected.left, expected.top, expected.right, expected.bottom),
              std::tie(actual.left, actual.top, actual.right, actual.bottom));
}

TEST(Win32DialogTest, HostPortChangesTheRealControls) {
  ScriptedLogic logic;
  logic.on_init = [&](DialogHost& host) {
    const HWND dialog = logic.window();
    host.set_title(u"Pelmora  -  Card Printer");
    EXPECT_EQ(u"Pelmora  -  Card Printer", host.title());
    const std::u16string korean = u"  1 단계: 구버전 드라이버 확인";
    host.set_text(IDC_HEADER, korean);
    EXPECT_EQ(korean, host.text(IDC_HEADER));
    host.set_text(IDC_DETAILS, u"\r\n  first\r\n\r\n  second");
    EXPECT_EQ(u"\r\n  first\r\n\r\n  second", host.text(IDC_DETAILS));

    EXPECT_TRUE(host.is_enabled(IDC_NEXT));
    host.enable(IDC_NEXT, false);
    EXPECT_FALSE(host.is_enabled(IDC_NEXT));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_NEXT)));
    host.enable(IDC_NEXT, true);
    EXPECT_TRUE(host.is_enabled(IDC_NEXT));
    // An id the template does not have is simply not there.
    EXPECT_FALSE(host.is_enabled(4242));
    EXPECT_FALSE(host.is_visible(4242));
    host.set_text(4242, u"nowhere");
    EXPECT_EQ(u"", host.text(4242));

    host.show(IDC_PORT_USB, false);
    EXPECT_FALSE(host.is_visible(IDC_PORT_USB));
    host.show(IDC_PORT_USB, true);
    EXPECT_TRUE(host.is_visible(IDC_PORT_USB));

    host.set_check(IDC_PORT_USB, true);
    host.set_check(IDC_PORT_TCPIP, false);
    EXPECT_TRUE(host.is_checked(IDC_PORT_USB));
    EXPECT_FALSE(host.is_checked(IDC_PORT_TCPIP));

    host.combo_select(IDC_LANGUAGE, 3);
    EXPECT_EQ(3, host.combo_selection(IDC_LANGUAGE));
    // Outside the list: no selection, as on Windows (Wine alone would keep
    // the old selection; the host clears it itself).
    host.combo_select(IDC_LANGUAGE, 10);
    EXPECT_EQ(-1, host.combo_selection(IDC_LANGUAGE));
    host.combo_select(IDC_LANGUAGE, 9);
    host.combo_select(IDC_LANGUAGE, -5);
    EXPECT_EQ(-1, host.combo_selection(IDC_LANGUAGE));
    host.combo_add(IDC_LANGUAGE, u"Extra");
    EXPECT_EQ(11, SendDlgItemMessageW(dialog, IDC_LANGUAGE, CB_GETCOUNT, 0, 0));

    host.progress_range(IDC_PROGRESS, 0, 30);
    host.progress_position(IDC_PROGRESS, 29);
    PBRANGE range{};
    SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_GETRANGE, FALSE,
                        reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(0, range.iLow);
    EXPECT_EQ(30, range.iHigh);
    EXPECT_EQ(29, SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_GETPOS, 0, 0));
    // The bar keeps its position inside its range.
    host.progress_position(IDC_PROGRESS, 31);
    EXPECT_EQ(30, SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_GETPOS, 0, 0));
    host.progress_position(IDC_PROGRESS, -2);
    EXPECT_EQ(0, SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_GETPOS, 0, 0));

    const LRESULT first = SendDlgItemMessageW(dialog, IDC_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0);
    host.set_bitmap(IDC_PICTURE, IDB_STEP2);
    const LRESULT second = SendDlgItemMessageW(dialog, IDC_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0);
    EXPECT_NE(0, second);
    EXPECT_NE(first, second);
    host.set_bitmap(IDC_PICTURE, IDB_STEP3);
    host.set_bitmap(IDC_PICTURE, IDB_STEP2);  // shown again from the cache
    EXPECT_EQ(second, SendDlgItemMessageW(dialog, IDC_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0));
    host.set_bitmap(IDC_PICTURE, 4242);  // no such picture: the control keeps its own
    EXPECT_EQ(second, SendDlgItemMessageW(dialog, IDC_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0));

    host.post_close();
    return true;
  };
  EXPECT_EQ(IDCANCEL, run_modal_dialog(IDD_PELMORA_DIALOG, logic));
}

TEST(Win32DialogTest, IconHeaderColoursFontAndPlacement) {
  ScriptedLogic logic;
  COLORREF text = 0, background = 0;
  HBRUSH brush = nullptr, plain = nullptr;
  DialogHost::BrushRef header_brush = 0;
  LOGFONTW font{}, dialog_font{};
  bool have_icons = false, drag_icon = false;
  RECT window{}, work{};
  logic.on_init = [&](DialogHost& host) {
    const HWND dialog = logic.window();
    host.set_icon(IDI_PELMORA);
    have_icons = SendMessageW(dialog, WM_GETICON, ICON_BIG, 0) != 0 &&
                 SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0) != 0;
    const DialogHost::BrushRef first = host.create_solid_brush(0x000000FF);
    host.set_control_colors(IDC_HEADER, 0x00FF0000, 0x000000FF, first);
    header_brush = host.create_solid_brush(0x00FF4040);
    host.set_control_colors(IDC_HEADER, 0x00FFFFFF, 0x00FF4040, header_brush);  // it counts
    host.delete_brush(first);
    host.set_dialog_face_font(IDC_HEADER, 16, FW_BOLD);
    host.set_dialog_face_font(IDC_HEADER, 16, FW_BOLD);  // again: the old font is let go
    const HFONT own = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    if (own) GetObjectW(own, sizeof dialog_font, &dialog_font);
    host.set_timer(1, 10);
    return true;
  };
  logic.on_message = [&](DialogHost& host, const WindowMessage& m) {
    if (m.message != kWmTimer) return false;
    host.kill_timer(1);
    const HWND dialog = logic.window();
    // Ask the dialog how it wants the header painted, as the control does.
    const HDC dc = CreateCompatibleDC(nullptr);
    brush = reinterpret_cast<HBRUSH>(
        SendMessageW(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_HEADER))));
    text = GetTextColor(dc);
    background = GetBkColor(dc);
    LOGBRUSH description{};
    if (brush) GetObjectW(brush, sizeof description, &description);
    EXPECT_EQ(0x00FF4040u, description.lbColor);
    // A static without colours of its own keeps the system's painting.
    plain = reinterpret_cast<HBRUSH>(
        SendMessageW(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_STATUS))));
    DeleteDC(dc);
    const HFONT header_font =
        reinterpret_cast<HFONT>(SendDlgItemMessageW(dialog, IDC_HEADER, WM_GETFONT, 0, 0));
    if (header_font) GetObjectW(header_font, sizeof font, &font);
    drag_icon = SendMessageW(dialog, WM_QUERYDRAGICON, 0, 0) ==
                SendMessageW(dialog, WM_GETICON, ICON_BIG, 0);
    GetWindowRect(dialog, &window);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(dialog, MONITOR_DEFAULTTOPRIMARY), &monitor);
    work = monitor.rcWork;
    host.post_close();
    return true;
  };
  EXPECT_EQ(IDCANCEL, run_modal_dialog(IDD_PELMORA_DIALOG, logic));
  EXPECT_TRUE(have_icons);
  EXPECT_TRUE(drag_icon);
  ASSERT_NE(nullptr, brush);
  EXPECT_EQ(reinterpret_cast<HBRUSH>(header_brush), brush);  // the caller's, kept by the caller
  DeleteObject(brush);
  EXPECT_NE(brush, plain);
  EXPECT_EQ(0x00FFFFFFu, text);
  EXPECT_EQ(0x00FF4040u, background);
  // The dialog's own face (the template's, or the desk's substitute for it)
  // at the header's size and weight.
  EXPECT_EQ(16, font.lfHeight);
  EXPECT_EQ(FW_BOLD, font.lfWeight);
  EXPECT_FALSE(font.lfItalic);
  ASSERT_NE(L'\0', dialog_font.lfFaceName[0]) << "the template gives the dialog a font";
  EXPECT_EQ(from_wide(dialog_font.lfFaceName), from_wide(font.lfFaceName));
  EXPECT_NE(dialog_font.lfHeight, font.lfHeight);
  // The template places the dialog at the origin; the runner centres it.
  const LONG left_gap = window.left - work.left, right_gap = work.right - window.right;
  const LONG top_gap = window.top - work.top, bottom_gap = work.bottom - window.bottom;
  EXPECT_LE(std::abs(left_gap - right_gap), 1);
  EXPECT_LE(std::abs(top_gap - bottom_gap), 1);
  EXPECT_GT(left_gap, 0);
}

std::u16string version_string(const std::vector<BYTE>& block, const wchar_t* name) {
  std::wstring path = L"\\StringFileInfo\\040904b0\\";
  path += name;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || value == nullptr) return {};
  return from_wide(static_cast<const wchar_t*>(value));
}

TEST(Win32DialogTest, VersionRecordAndCommonControlsSix) {
  // This test program carries the installer's resource script, so its
  // version record and manifest are the installer's.
  wchar_t path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
  const DWORD size = GetFileVersionInfoSizeW(path, nullptr);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, block.data()));
  EXPECT_EQ(u"Orvane", version_string(block, L"CompanyName"));
  EXPECT_EQ(u"Card Printer Driver Installer", version_string(block, L"FileDescription"));
  EXPECT_EQ(u"Card Printer Driver Installer", version_string(block, L"ProductName"));
  EXPECT_EQ(u"2.0.0.0", version_string(block, L"FileVersion"));
  EXPECT_EQ(u"2.0.0.0", version_string(block, L"ProductVersion"));
  EXPECT_EQ(u"Pelmora.exe", version_string(block, L"InternalName"));
  EXPECT_EQ(u"Pelmora.exe", version_string(block, L"OriginalFilename"));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(0x00020000u, fixed->dwFileVersionMS);
  EXPECT_EQ(0u, fixed->dwFileVersionLS);

  // The manifest binds the program to common controls 6 (a wrong
  // architecture in it would silently give version 5): the library then
  // comes from the side-by-side store. (Wine's DllGetVersion says 5 for both
  // copies, so the place is what tells them apart.)
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  const HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
  ASSERT_NE(nullptr, comctl);
  wchar_t comctl_path[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(comctl, comctl_path, MAX_PATH), 0u);
  std::u16string place = from_wide(comctl_path);
  for (auto& c : place)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  EXPECT_NE(std::u16string::npos, place.find(u"microsoft.windows.common-controls"))
      << to_utf8(place);
  EXPECT_NE(std::u16string::npos, place.find(u"_6.0.")) << to_utf8(place);
}

TEST(Win32DialogTest, MissingTemplateFailsWithoutTouchingTheLogic) {
  ScriptedLogic logic;
  bool initialised = false;
  logic.on_init = [&](DialogHost&) { return initialised = true; };
  EXPECT_EQ(-1, run_modal_dialog(4242, logic));
  EXPECT_FALSE(initialised);
  EXPECT_EQ(nullptr, logic.host_);
}

}  // namespace
