// What every window port speaks of: rectangles and points in pixels, a
// window as the system knows it, a GDI object, and ShowWindow's commands.
#pragma once

#include <cstdint>

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

// ShowWindow commands.
inline constexpr int kSwHide = 0;
inline constexpr int kSwRestore = 9;

}  // namespace platform
