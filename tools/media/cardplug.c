/* Cardplug.dll: the card-encoding plug-in the printer driver loads. The
   installer only places it; the driver's own plug-in interface lies outside
   the installer. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return TRUE;
}
