/* Holds a printer port's lock from a second process: takes the named event
 * "Global\ZELKO_IOCTL_<port>" (creating it signalled, as the installer does),
 * signals the ready event, keeps it for the given milliseconds, then lets it
 * go.
 *
 *   usb_lock_holder PORT HOLD_MS READY_EVENT_NAME
 */
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  wchar_t name[512];
  _snwprintf(name, 511, L"Global\\ZELKO_IOCTL_%ls", argv[1]);
  name[511] = 0;
  const DWORD hold = (DWORD)wcstoul(argv[2], NULL, 10);
  HANDLE lock = CreateEventW(NULL, FALSE, TRUE, name);
  if (lock == NULL) return 3;
  if (WaitForSingleObject(lock, 10000) != WAIT_OBJECT_0) return 4;
  HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[3]);
  if (ready == NULL) return 5;
  SetEvent(ready);
  CloseHandle(ready);
  Sleep(hold);
  SetEvent(lock);
  CloseHandle(lock);
  return 0;
}
