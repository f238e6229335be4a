/* What the desktop does around Tessaly.exe, for its end-to-end tests under
 * Wine: the notification area and the work area as the shell changes them.
 * Aware of the screen's DPI, so it sees the screen's own pixels.
 *
 *   tessaly_shell has-icon ID         exit 0 when the notification area holds
 *                                     icon ID of Tessaly's tray window
 *   tessaly_shell remove-icon ID      removes that icon, as a shell that
 *                                     restarts loses it
 *   tessaly_shell broadcast NAME      posts the registered message NAME to
 *                                     every top-level window
 *   tessaly_shell set-workarea L T R B
 *                                     sets the work area and tells every
 *                                     window (WM_SETTINGCHANGE)
 *   tessaly_shell resolution W H      changes the screen's size (the virtual
 *                                     desktop's under Wine)
 *   tessaly_shell workarea            prints the primary monitor's work area
 *                                     "left top right bottom"
 *   tessaly_shell balloon             prints the balloon's rectangle
 *                                     "x y width height"
 *   tessaly_shell dpi                 prints the screen's DPI
 *
 * Exit code 0 on success, 1 on failure, 2 on bad arguments. */
#include "platform_win32/windows_preamble.h"
/* The system headers after it. */
#include <windows.h>
/* After windows.h. */
#include <shellapi.h>
#include <stdio.h>
#include <wchar.h>

static HWND tray_window(void) { return FindWindowW(L"#32770", L"Tessaly"); }

static int notify(DWORD operation, UINT id) {
  NOTIFYICONDATAW data;
  HWND window = tray_window();
  if (!window) return 1;
  ZeroMemory(&data, sizeof data);
  data.cbSize = sizeof data;
  data.hWnd = window;
  data.uID = id;
  /* No flags: a change that changes nothing, answered only for an icon the
   * shell holds. */
  return Shell_NotifyIconW(operation, &data) ? 0 : 1;
}

int wmain(int argc, wchar_t** argv) {
  SetProcessDPIAware();
  if (argc == 3 && wcscmp(argv[1], L"has-icon") == 0)
    return notify(NIM_MODIFY, (UINT)_wtoi(argv[2]));
  if (argc == 3 && wcscmp(argv[1], L"remove-icon") == 0)
    return notify(NIM_DELETE, (UINT)_wtoi(argv[2]));
  if (argc == 3 && wcscmp(argv[1], L"broadcast") == 0) {
    const UINT message = RegisterWindowMessageW(argv[2]);
    return message != 0 && PostMessageW(HWND_BROADCAST, message, 0, 0) ? 0 : 1;
  }
  if (argc == 6 && wcscmp(argv[1], L"set-workarea") == 0) {
    RECT area = {_wtoi(argv[2]), _wtoi(argv[3]), _wtoi(argv[4]), _wtoi(argv[5])};
    return SystemParametersInfoW(SPI_SETWORKAREA, 0, &area, SPIF_SENDCHANGE) ? 0 : 1;
  }
  if (argc == 4 && wcscmp(argv[1], L"resolution") == 0) {
    DEVMODEW mode;
    ZeroMemory(&mode, sizeof mode);
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = (DWORD)_wtoi(argv[2]);
    mode.dmPelsHeight = (DWORD)_wtoi(argv[3]);
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    return ChangeDisplaySettingsW(&mode, 0) == DISP_CHANGE_SUCCESSFUL ? 0 : 1;
  }
  if (argc == 2 && wcscmp(argv[1], L"workarea") == 0) {
    MONITORINFO info;
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(MonitorFromPoint((POINT){0, 0}, MONITOR_DEFAULTTOPRIMARY), &info))
      return 1;
    printf("%ld %ld %ld %ld\n", info.rcWork.left, info.rcWork.top, info.rcWork.right,
           info.rcWork.bottom);
    return 0;
  }
  if (argc == 2 && wcscmp(argv[1], L"balloon") == 0) {
    RECT r;
    HWND balloon = FindWindowW(L"TessalyBalloon", NULL);
    if (!balloon || !GetWindowRect(balloon, &r)) return 1;
    printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return 0;
  }
  if (argc == 2 && wcscmp(argv[1], L"dpi") == 0) {
    HDC screen = GetDC(NULL);
    printf("%d\n", GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(NULL, screen);
    return 0;
  }
  fwprintf(stderr,
           L"usage: tessaly_shell has-icon ID | remove-icon ID | broadcast NAME |\n"
           L"       set-workarea L T R B | resolution W H | workarea | balloon | dpi\n");
  return 2;
}
