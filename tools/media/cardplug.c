/* Cardplug.dll: the card-encoding plug-in the printer driver loads. The
   installer only places it; the driver's own plug-in interface lies outside
   the installer. */
#include "platform_win32/windows_preamble.h"
/* The system headers after it. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return TRUE;
}
