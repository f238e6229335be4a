/* Another process at a printer port's lock "Global\ZELKO_IOCTL_<port>".
 *
 *   usb_lock_holder PORT HOLD_MS READY_EVENT_NAME
 *     takes the lock (creating the event signalled, as the installer does),
 *     signals the ready event, keeps the lock for HOLD_MS, then lets it go.
 *
 *   usb_lock_holder PORT serve READY_EVENT_NAME PIPE_NAME
 *     stands in for the printer: serves one request on a message pipe. While
 *     the request is with it, the lock must be taken (the requester holds
 *     it, and the event does not stay signalled); once it has answered, it
 *     waits its own turn, which must come at once. Exit code 0 when both
 *     held; 6 when the lock was free during the request, 7 when it never
 *     came back.
 */
#include "platform_win32/windows_preamble.h"
/* The system headers after it. */
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>
#include <windows.h>

static int hold(const wchar_t* name, DWORD milliseconds, const wchar_t* ready_name) {
  HANDLE lock = CreateEventW(NULL, FALSE, TRUE, name);
  if (lock == NULL) return 3;
  if (WaitForSingleObject(lock, 10000) != WAIT_OBJECT_0) return 4;
  HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, ready_name);
  if (ready == NULL) return 5;
  SetEvent(ready);
  CloseHandle(ready);
  Sleep(milliseconds);
  SetEvent(lock);
  CloseHandle(lock);
  return 0;
}

static int serve(const wchar_t* name, const wchar_t* ready_name, const wchar_t* pipe_name) {
  HANDLE pipe = CreateNamedPipeW(pipe_name, PIPE_ACCESS_DUPLEX,
                                 PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 4096,
                                 4096, 0, NULL);
  if (pipe == INVALID_HANDLE_VALUE) return 3;
  HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, ready_name);
  if (ready == NULL) return 5;
  SetEvent(ready);
  CloseHandle(ready);
  if (!ConnectNamedPipe(pipe, NULL) && GetLastError() != ERROR_PIPE_CONNECTED) return 8;
  unsigned char request[64];
  DWORD length = 0;
  if (!ReadFile(pipe, request, sizeof request, &length, NULL)) return 9;
  /* The requester is inside its request: it has the event open and taken. */
  HANDLE lock = OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, name);
  if (lock == NULL) return 10;
  int result = 0;
  if (WaitForSingleObject(lock, 0) != WAIT_TIMEOUT) result = 6;
  unsigned char answer[8] = {'A', 'N', 'S', 'W', 'E', 'R', request[0], (unsigned char)length};
  DWORD written = 0;
  if (!WriteFile(pipe, answer, sizeof answer, &written, NULL)) return 11;
  /* Its request done, the requester lets go: our turn. */
  if (result == 0 && WaitForSingleObject(lock, 5000) != WAIT_OBJECT_0) result = 7;
  SetEvent(lock);
  CloseHandle(lock);
  FlushFileBuffers(pipe);
  DisconnectNamedPipe(pipe);
  CloseHandle(pipe);
  return result;
}

int wmain(int argc, wchar_t** argv) {
  if (argc != 4 && argc != 5) return 2;
  wchar_t name[512];
  _snwprintf(name, 511, L"Global\\ZELKO_IOCTL_%ls", argv[1]);
  name[511] = 0;
  if (argc == 5 && wcscmp(argv[2], L"serve") == 0) return serve(name, argv[3], argv[4]);
  if (argc != 4) return 2;
  return hold(name, (DWORD)wcstoul(argv[2], NULL, 10), argv[3]);
}
