// The Windows entry point of Tessaly.exe: the registered click message
// first, then the real ports and windows, handed to the application object.
#include "monitor/tessaly_app.h"
#include "platform_win32/win32_balloon_window.h"
#include "platform_win32/win32_tracking_thread.h"
#include "platform_win32/win32_tray_window.h"
#include "platform_win32/win32_windows.h"
#include "platform_win32/windows_api.h"
#include "tesshook.h"

namespace {

// Registered before anything else of the program runs, as the hook library
// posts it by name.
const UINT g_mouse_click_message = RegisterWindowMessageW(TESSHOOK_CLICK_MESSAGE_NAME);
const UINT g_taskbar_created_message = RegisterWindowMessageW(L"TaskbarCreated");

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  static platform_win32::Win32Windows windows;
  static platform_win32::Win32MonitorSystem system(
      [](platform::WindowId window) { setMyHook(reinterpret_cast<HWND>(window)); },
      [](platform::WindowId window) { clearMyHook(reinterpret_cast<HWND>(window)); });
  static platform_win32::Win32TrackingThread tracking;
  static platform_win32::Win32BalloonWindow balloon_window;

  tessaly::CTessalyApp app(tessaly::MonitorPorts{windows.platform, system, tracking, balloon_window,
                                                 g_mouse_click_message, g_taskbar_created_message});
  app.InitInstance();
  return static_cast<int>(app.exit_code());
}
