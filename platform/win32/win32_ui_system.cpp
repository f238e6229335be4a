#include "platform_win32/win32_ui_system.h"

#include "platform_win32/win32_window_host.h"
#include "platform_win32/windows_api.h"

// After windows.h.
#include <commctrl.h>

namespace platform_win32 {

void Win32UiSystem::create_instance_mutex(std::u16string_view name, bool* already_exists) {
  HANDLE mutex = CreateMutexW(nullptr, TRUE, to_wide(name).c_str());
  *already_exists = GetLastError() == ERROR_ALREADY_EXISTS;
  if (*already_exists) return;
  // Open for the life of the process, so the name stays taken.
  if (mutex != nullptr) ReleaseMutex(mutex);
}

void Win32UiSystem::init_common_controls() {
  INITCOMMONCONTROLSEX controls{8, 0xFF};
  InitCommonControlsEx(&controls);
}

// The primary monitor's own work area. Wine 8 answers SPI_GETWORKAREA with
// the value the process read first, so only the monitor's work area shows a
// later change there; on Windows both agree.
platform::Rect Win32UiSystem::work_area() {
  RECT area{};
  MONITORINFO info{};
  info.cbSize = sizeof info;
  HMONITOR primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  if (primary != nullptr && GetMonitorInfoW(primary, &info)) {
    area = info.rcWork;
  } else if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) {
    area.right = GetSystemMetrics(SM_CXSCREEN);
    area.bottom = GetSystemMetrics(SM_CYSCREEN);
  }
  return {area.left, area.top, area.right, area.bottom};
}

int Win32UiSystem::screen_dpi() {
  const ScopedScreenDc screen(GetDC(nullptr));
  const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : 96;
}

}  // namespace platform_win32
