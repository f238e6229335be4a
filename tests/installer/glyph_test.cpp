// Every character of every localized text is drawn with a real glyph in the
// two fonts the wizard draws its texts with: the dialog's own face and the
// header strip's bold of that face, and in the dialog's face also the way its edit
// control draws (through Uniscribe, which has fallbacks of its own). A character drawn as the
// missing-glyph box (the drawing of a character no font can have) or not drawn at all fails, with
// its row, language and code. Windows build, run under Wine here, where the
// fonts and their links come from the prefix the test command set up.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "localized_text.h"
#include "platform_win32/windows_api.h"

// After windows.h.
#include <usp10.h>

namespace {

constexpr int kCell = 48;

class GlyphCanvas {
 public:
  explicit GlyphCanvas(HFONT font) {
    screen_ = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen_);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kCell;
    info.bmiHeader.biHeight = -kCell;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    bitmap_ =
        CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_bitmap_ = SelectObject(dc_, bitmap_);
    old_font_ = SelectObject(dc_, font);
    SetTextColor(dc_, RGB(0, 0, 0));
    SetBkMode(dc_, TRANSPARENT);
  }
  ~GlyphCanvas() {
    SelectObject(dc_, old_font_);
    SelectObject(dc_, old_bitmap_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
    ReleaseDC(nullptr, screen_);
  }
  // The pixels of one character drawn in the face, by GDI or by Uniscribe
  // with its font fallback.
  std::vector<std::uint32_t> draw(wchar_t c, bool uniscribe = false) {
    RECT all{0, 0, kCell, kCell};
    FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (uniscribe) {
      SCRIPT_STRING_ANALYSIS analysis = nullptr;
      if (ScriptStringAnalyse(dc_, &c, 1, 0, -1, SSA_LINK | SSA_GLYPHS | SSA_FALLBACK, 0, nullptr,
                              nullptr, nullptr, nullptr, nullptr, &analysis) == S_OK) {
        ScriptStringOut(analysis, 8, 8, 0, nullptr, 0, 0, FALSE);
        ScriptStringFree(&analysis);
      }
    } else {
      TextOutW(dc_, 8, 8, &c, 1);
    }
    GdiFlush();
    std::vector<std::uint32_t> pixels(bits_, bits_ + kCell * kCell);
    for (auto& p : pixels) p &= 0x00FFFFFF;
    return pixels;
  }
  static bool blank(const std::vector<std::uint32_t>& pixels) {
    for (auto p : pixels)
      if (p != 0x00FFFFFF) return false;
    return true;
  }

 private:
  HDC screen_ = nullptr;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_bitmap_ = nullptr;
  HGDIOBJ old_font_ = nullptr;
  std::uint32_t* bits_ = nullptr;
};

// Characters that draw nothing on purpose: spaces, line breaks, joiners and
// direction marks.
bool DrawsNothing(wchar_t c) {
  return c <= 0x20 || c == 0x00A0 || (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) ||
         c == 0xFEFF;
}

struct Face {
  const char* name;
  HFONT font;
  bool uniscribe;
};

TEST(LocalizedGlyphs, EveryCharacterOfEveryLanguageHasAGlyph) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  // The template's "Microsoft Sans Serif" at 8 points, and the header's bold
  // at 16 units in the same face.
  auto dialog_font = [dpi](int height, int weight) {
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, L"Microsoft Sans Serif");
  };
  const int dialog_height = -MulDiv(8, dpi, 72);
  const Face faces[] = {
      {"dialog face", dialog_font(dialog_height, FW_NORMAL), false},
      {"dialog face through Uniscribe", dialog_font(dialog_height, FW_NORMAL), true},
      {"header face", dialog_font(16, FW_BOLD), false},
  };
  int checked = 0;
  for (const Face& face : faces) {
    ASSERT_NE(face.font, nullptr);
    GlyphCanvas canvas(face.font);
    // An unassigned code point: no font has it, so this is how the face
    // draws a character it cannot.
    const auto missing = canvas.draw(static_cast<wchar_t>(0x0378), face.uniscribe);
    ASSERT_NE(canvas.draw(L'A', face.uniscribe), missing)
        << face.name << ": the drawing itself does not work";
    std::set<wchar_t> reported;
    for (int row = 0; row < pelmora::kLocalizedRowCount; ++row) {
      for (int language = 0; language < pelmora::kLanguageCount; ++language) {
        const char16_t* text = pelmora::GetLocalizedText(row, language);
        for (const char16_t* p = text; *p; ++p) {
          const wchar_t c = static_cast<wchar_t>(*p);
          if (DrawsNothing(c)) continue;
          ++checked;
          const auto pixels = canvas.draw(c, face.uniscribe);
          if ((pixels == missing || GlyphCanvas::blank(pixels)) && reported.insert(c).second) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
            ADD_FAILURE() << face.name << ": " << code << " of row " << row << ", language "
                          << language << " has no glyph";
          }
        }
      }
    }
    DeleteObject(face.font);
  }
  EXPECT_GT(checked, 10000);
}

}  // namespace
