#include "platform_win32/win32_dialog_host.h"

// After windows.h.
#include <commctrl.h>

#include <utility>

namespace platform_win32 {

std::u16string window_text(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, buffer.data(), length + 1);
  if (copied <= 0) return {};
  return from_wide(buffer.data(), static_cast<std::size_t>(copied));
}

// The host outlives its window (the runner destroys it after the dialog has
// ended), so nothing it owns is still selected into a control when its
// bitmaps, brushes and fonts go with it.
Win32DialogHost::~Win32DialogHost() = default;

void Win32DialogHost::set_title(std::u16string_view title) {
  SetWindowTextW(window_, to_wide(title).c_str());
}

std::u16string Win32DialogHost::title() { return window_text(window_); }

void Win32DialogHost::set_text(int control, std::u16string_view text) {
  SetDlgItemTextW(window_, control, to_wide(text).c_str());
}

std::u16string Win32DialogHost::text(int control) { return window_text(item(control)); }

void Win32DialogHost::enable(int control, bool enabled) {
  EnableWindow(item(control), enabled ? TRUE : FALSE);
}

bool Win32DialogHost::is_enabled(int control) {
  const HWND window = item(control);
  return window != nullptr && IsWindowEnabled(window) != FALSE;
}

void Win32DialogHost::show(int control, bool visible) {
  ShowWindow(item(control), visible ? SW_SHOW : SW_HIDE);
}

bool Win32DialogHost::is_visible(int control) {
  // The control's own style bit: IsWindowVisible would also ask the dialog,
  // which is still hidden during its initialisation.
  const HWND window = item(control);
  return window != nullptr && (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32DialogHost::set_check(int control, bool checked) {
  CheckDlgButton(window_, control, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool Win32DialogHost::is_checked(int control) {
  return IsDlgButtonChecked(window_, control) == BST_CHECKED;
}

void Win32DialogHost::combo_add(int control, std::u16string_view item_text) {
  SendDlgItemMessageW(window_, control, CB_ADDSTRING, 0,
                      reinterpret_cast<LPARAM>(to_wide(item_text).c_str()));
}

void Win32DialogHost::combo_reset(int control) {
  SendDlgItemMessageW(window_, control, CB_RESETCONTENT, 0, 0);
}

void Win32DialogHost::combo_select(int control, int index) {
  // An index outside the list clears the selection, as Windows documents it
  // (Wine would keep the old one).
  const LRESULT count = SendDlgItemMessageW(window_, control, CB_GETCOUNT, 0, 0);
  if (index < 0 || count == CB_ERR || index >= count) index = -1;
  SendDlgItemMessageW(window_, control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32DialogHost::combo_selection(int control) {
  return static_cast<int>(SendDlgItemMessageW(window_, control, CB_GETCURSEL, 0, 0));
}

void Win32DialogHost::progress_range(int control, int low, int high) {
  SendDlgItemMessageW(window_, control, PBM_SETRANGE32, static_cast<WPARAM>(low),
                      static_cast<LPARAM>(high));
}

void Win32DialogHost::progress_position(int control, int position) {
  SendDlgItemMessageW(window_, control, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void Win32DialogHost::load_bitmap(int bitmap_resource) {
  if (bitmaps_.count(bitmap_resource)) return;
  ScopedGdiObject bitmap(LoadBitmapW(program_instance(), MAKEINTRESOURCEW(bitmap_resource)));
  if (bitmap) bitmaps_.emplace(bitmap_resource, std::move(bitmap));
}

bool Win32DialogHost::is_minimized() { return IsIconic(window_) != FALSE; }

void Win32DialogHost::icon_paint_sizes(int* client_width, int* client_height, int* icon_width,
                                       int* icon_height) {
  RECT client{};
  GetClientRect(window_, &client);
  *client_width = client.right - client.left;
  *client_height = client.bottom - client.top;
  *icon_width = GetSystemMetrics(SM_CXICON);
  *icon_height = GetSystemMetrics(SM_CYICON);
}

void Win32DialogHost::paint_icon(int x, int y) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window_, &paint);
  if (dc == nullptr) return;
  SendMessageW(window_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  if (big_icon() != nullptr) DrawIcon(dc, x, y, big_icon());
  EndPaint(window_, &paint);
}

void Win32DialogHost::set_bitmap(int control, int bitmap_resource) {
  load_bitmap(bitmap_resource);
  auto it = bitmaps_.find(bitmap_resource);
  if (it == bitmaps_.end()) return;
  const HBITMAP bitmap = static_cast<HBITMAP>(it->second.get());
  const HANDLE previous = reinterpret_cast<HANDLE>(SendDlgItemMessageW(
      window_, control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
  // The control hands back the picture it showed. One of ours stays cached;
  // anything else (the picture the template loaded, or a copy the control
  // made) is now ours to delete.
  if (previous != nullptr && previous != bitmap) {
    bool cached = false;
    for (const auto& [id, handle] : bitmaps_) cached = cached || handle.get() == previous;
    if (!cached) ScopedGdiObject(previous).reset();
  }
}

void Win32DialogHost::pump_messages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Not ours to swallow: put it back for the loop that owns it.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

platform::DialogHost::BrushRef Win32DialogHost::create_solid_brush(std::uint32_t color) {
  return reinterpret_cast<BrushRef>(CreateSolidBrush(color));
}

void Win32DialogHost::delete_brush(BrushRef brush) {
  if (brush != 0) DeleteObject(reinterpret_cast<HBRUSH>(brush));
}

std::uint32_t Win32DialogHost::system_color(int index) { return GetSysColor(index); }

void Win32DialogHost::set_control_colors(int control, std::uint32_t text_color,
                                         std::uint32_t background_color, BrushRef brush) {
  // A brush of the caller's: the caller deletes it.
  colors_.insert_or_assign(
      control, StaticColors{text_color, background_color, reinterpret_cast<HBRUSH>(brush)});
  InvalidateRect(item(control), nullptr, TRUE);
}

void Win32DialogHost::set_dialog_face_font(int control, int height, int weight) {
  // The dialog's own font names the face that the desk serves its language
  // with (a face of the template, or its substitute and links). A font made
  // without a face would leave the choice to the system, which may pick a
  // face that cannot join or order the language's script.
  LOGFONTW description{};
  const HFONT dialog_font = reinterpret_cast<HFONT>(SendMessageW(window_, WM_GETFONT, 0, 0));
  if (dialog_font == nullptr || GetObjectW(dialog_font, sizeof description, &description) == 0) {
    // The system font: no face of the dialog's own.
    description = LOGFONTW{};
    description.lfCharSet = DEFAULT_CHARSET;
    description.lfOutPrecision = OUT_DEFAULT_PRECIS;
    description.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    description.lfQuality = DEFAULT_QUALITY;
    description.lfPitchAndFamily = FF_SWISS | DEFAULT_PITCH;
  }
  description.lfHeight = height;
  description.lfWidth = 0;
  description.lfEscapement = 0;
  description.lfOrientation = 0;
  description.lfWeight = weight;
  description.lfItalic = FALSE;
  description.lfUnderline = FALSE;
  description.lfStrikeOut = FALSE;
  ScopedGdiObject font(CreateFontIndirectW(&description));
  if (!font) return;
  SendDlgItemMessageW(window_, control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  // The earlier font goes: no longer selected, the control has the new one.
  fonts_.insert_or_assign(control, std::move(font));
}

std::optional<LRESULT> Win32DialogHost::own_answer(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CTLCOLORSTATIC:
      if (const HBRUSH brush =
              static_colors(reinterpret_cast<HWND>(lparam), reinterpret_cast<HDC>(wparam)))
        return reinterpret_cast<LRESULT>(brush);
      return std::nullopt;
    case WM_COMMAND:
      if (LOWORD(wparam) != IDOK && LOWORD(wparam) != IDCANCEL) return std::nullopt;
      EndDialog(window_, LOWORD(wparam));
      return 0;
    case WM_CLOSE:
      EndDialog(window_, IDCANCEL);
      return 0;
    default:
      return Win32ModalHost::own_answer(message, wparam, lparam);
  }
}

HBRUSH Win32DialogHost::static_colors(HWND control, HDC dc) const {
  auto it = colors_.find(GetDlgCtrlID(control));
  if (it == colors_.end()) return nullptr;
  SetTextColor(dc, it->second.text);
  SetBkColor(dc, it->second.background);
  return it->second.brush;
}

}  // namespace platform_win32
