// A drawing surface: GDI in the Windows build, a recording in tests. Colours
// are COLORREF values (0x00BBGGRR).
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/window_types.h"

namespace platform {

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

}  // namespace platform
