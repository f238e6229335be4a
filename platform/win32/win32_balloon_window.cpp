#include "platform_win32/win32_balloon_window.h"

#include <map>
#include <utility>

#include "platform_win32/window_procedure.h"
#include "platform_win32/windows_api.h"

namespace platform_win32 {
namespace {

constexpr wchar_t kBalloonClass[] = L"TessalyBalloon";

// Drawing on a device context with GDI. Fonts are put back out of the
// context before they are deleted: a selected font must not be deleted.
class GdiCanvas : public platform::Canvas {
 public:
  explicit GdiCanvas(HDC dc) : dc_(dc) {}
  // The objects still held go with the canvas, after the original font is
  // back in the context.
  ~GdiCanvas() override {
    if (original_font_ != nullptr) SelectObject(dc_, original_font_);
  }

  platform::GdiRef create_font(std::u16string_view face, int height, int weight, int char_set,
                               int pitch_and_family) override {
    HFONT font =
        CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, static_cast<DWORD>(char_set),
                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                    static_cast<DWORD>(pitch_and_family), to_wide(face).c_str());
    return keep(font);
  }
  void release_font(platform::GdiRef font) override {
    if (font == selected_font_ && original_font_ != nullptr) {
      SelectObject(dc_, original_font_);
      selected_font_ = 0;
    }
    release(font);
  }
  platform::GdiRef create_brush(std::uint32_t color) override {
    return keep(CreateSolidBrush(static_cast<COLORREF>(color)));
  }
  void release_brush(platform::GdiRef brush) override { release(brush); }
  void select_font(platform::GdiRef font) override {
    auto it = objects_.find(font);
    if (it == objects_.end()) return;
    HGDIOBJ previous = SelectObject(dc_, it->second.get());
    if (original_font_ == nullptr) original_font_ = previous;
    selected_font_ = font;
  }
  void set_text_color(std::uint32_t color) override {
    SetTextColor(dc_, static_cast<COLORREF>(color));
  }
  void set_transparent_background() override { SetBkMode(dc_, TRANSPARENT); }
  void fill_rect(const platform::Rect& rect, platform::GdiRef brush) override {
    auto it = objects_.find(brush);
    if (it == objects_.end()) return;
    const RECT r{rect.left, rect.top, rect.right, rect.bottom};
    FillRect(dc_, &r, static_cast<HBRUSH>(it->second.get()));
  }
  void draw_text(std::u16string_view text, const platform::Rect& rect,
                 std::uint32_t flags) override {
    RECT r{rect.left, rect.top, rect.right, rect.bottom};
    std::wstring wide = to_wide(text);
    DrawTextW(dc_, wide.data(), static_cast<int>(wide.size()), &r, flags);
  }

 private:
  platform::GdiRef keep(HGDIOBJ object) {
    ScopedGdiObject owned(object);
    if (!owned) return 0;
    const platform::GdiRef ref = next_++;
    objects_.emplace(ref, std::move(owned));
    return ref;
  }
  // Deletes the object (its owner goes with the entry).
  void release(platform::GdiRef ref) { objects_.erase(ref); }

  HDC dc_;
  std::map<platform::GdiRef, ScopedGdiObject> objects_;
  platform::GdiRef next_ = 1;
  HGDIOBJ original_font_ = nullptr;
  platform::GdiRef selected_font_ = 0;
};

}  // namespace

Win32BalloonWindow::~Win32BalloonWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

const wchar_t* Win32BalloonWindow::class_name() { return kBalloonClass; }

bool Win32BalloonWindow::create(platform::BalloonWindowLogic& logic) {
  WNDCLASSW window_class{};
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = routed_window_procedure;
  window_class.hInstance = program_instance();
  window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  window_class.lpszClassName = kBalloonClass;
  if (!RegisterClassW(&window_class) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  // The logic sees the window's messages from its creation on.
  logic_ = &logic;
  window_ =
      CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kBalloonClass, L"", WS_POPUP, 0, 0, 0, 0,
                      nullptr, nullptr, program_instance(), static_cast<WindowRoute*>(this));
  if (window_ == nullptr) logic_ = nullptr;
  return window_ != nullptr;
}

void Win32BalloonWindow::move_window(const platform::Rect& rect, bool repaint) {
  if (window_ != nullptr)
    MoveWindow(window_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               repaint ? TRUE : FALSE);
}

void Win32BalloonWindow::show_window(int command) {
  if (window_ != nullptr) ShowWindow(window_, command);
}

void Win32BalloonWindow::bring_to_top() {
  if (window_ != nullptr) BringWindowToTop(window_);
}

void Win32BalloonWindow::invalidate(bool erase) {
  if (window_ != nullptr) InvalidateRect(window_, nullptr, erase ? TRUE : FALSE);
}

void Win32BalloonWindow::paint(const std::function<void(platform::Canvas&)>& draw) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window_, &paint);
  if (dc != nullptr) {
    GdiCanvas canvas(dc);
    draw(canvas);
  }
  EndPaint(window_, &paint);
}

}  // namespace platform_win32
