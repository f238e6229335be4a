// The one place of the C++ sources that includes <windows.h>. Every file of
// the Windows layer includes this header instead, so the same macros hold
// everywhere (windows_preamble.h, which the C sources include themselves).
#pragma once

#include "platform_win32/windows_preamble.h"
// The system headers after it.
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "platform/win_error.h"

namespace platform_win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");

// Text crosses the boundary by a cast: wchar_t and char16_t are the same
// 16-bit unit on Windows.
inline const wchar_t* as_wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}
inline wchar_t* as_wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }
// A zero-terminated copy of a view, for the calls that want a C string.
inline std::wstring to_wide(std::u16string_view text) {
  return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}
inline std::u16string from_wide(const wchar_t* text, std::size_t length) {
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}
inline std::u16string from_wide(const wchar_t* text) {
  return text ? std::u16string(reinterpret_cast<const char16_t*>(text)) : std::u16string();
}

// A port's handle value as the kernel handle it carries.
inline HANDLE as_handle(std::uintptr_t value) { return reinterpret_cast<HANDLE>(value); }

// The calling thread's last error; never success, so a failed call that left
// no code behind still reads as a failure.
inline platform::Win32Error last_error() {
  const DWORD error = GetLastError();
  return error != ERROR_SUCCESS ? static_cast<platform::Win32Error>(error)
                                : static_cast<platform::Win32Error>(ERROR_GEN_FAILURE);
}

// An owning Win32 handle: Traits says what "no handle" is and how to close it.
template <typename Traits>
class ScopedHandle {
 public:
  using Handle = typename Traits::Handle;
  ScopedHandle() = default;
  explicit ScopedHandle(Handle handle) : handle_(handle) {}
  ~ScopedHandle() { reset(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Handle get() const { return handle_; }
  bool valid() const { return Traits::is_valid(handle_); }
  explicit operator bool() const { return valid(); }
  Handle release() { return std::exchange(handle_, Traits::invalid()); }
  void reset(Handle handle = Traits::invalid()) {
    if (Traits::is_valid(handle_)) Traits::close(handle_);
    handle_ = handle;
  }
  // For the calls that hand a new handle back through a pointer.
  Handle* receive() {
    reset();
    return &handle_;
  }

 private:
  Handle handle_ = Traits::invalid();
};

// Kernel objects whose failure value is INVALID_HANDLE_VALUE (CreateFileW).
struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle invalid() { return INVALID_HANDLE_VALUE; }
  static bool is_valid(Handle h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void close(Handle h) { CloseHandle(h); }
};
using ScopedFileHandle = ScopedHandle<FileHandleTraits>;

// Kernel objects whose failure value is NULL (threads, events, processes).
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle invalid() { return nullptr; }
  static bool is_valid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void close(Handle h) { CloseHandle(h); }
};
using ScopedKernelHandle = ScopedHandle<KernelHandleTraits>;

// GDI objects (bitmaps, fonts, brushes).
struct GdiObjectTraits {
  using Handle = HGDIOBJ;
  static Handle invalid() { return nullptr; }
  static bool is_valid(Handle h) { return h != nullptr; }
  static void close(Handle h) { DeleteObject(h); }
};
using ScopedGdiObject = ScopedHandle<GdiObjectTraits>;

// Icons the program loaded itself (LoadImageW without LR_SHARED).
struct IconTraits {
  using Handle = HICON;
  static Handle invalid() { return nullptr; }
  static bool is_valid(Handle h) { return h != nullptr; }
  static void close(Handle h) { DestroyIcon(h); }
};
using ScopedIcon = ScopedHandle<IconTraits>;

// Menus loaded from the resources (their submenus go with them).
struct MenuTraits {
  using Handle = HMENU;
  static Handle invalid() { return nullptr; }
  static bool is_valid(Handle h) { return h != nullptr; }
  static void close(Handle h) { DestroyMenu(h); }
};
using ScopedMenu = ScopedHandle<MenuTraits>;

// The screen's device context (GetDC(NULL)).
struct ScreenDcTraits {
  using Handle = HDC;
  static Handle invalid() { return nullptr; }
  static bool is_valid(Handle h) { return h != nullptr; }
  static void close(Handle h) { ReleaseDC(nullptr, h); }
};
using ScopedScreenDc = ScopedHandle<ScreenDcTraits>;

// The module the program's resources live in.
inline HINSTANCE program_instance() { return GetModuleHandleW(nullptr); }

}  // namespace platform_win32
