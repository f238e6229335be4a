/* Checks tesshook.dll from a program of its own: a window is given to
 * setMyHook, a mouse click is injected, and the window counts the
 * registered click messages it receives; after clearMyHook another click
 * must bring none. Then, with the hook set again, this thread stops pumping
 * for three seconds while a click comes: the hook runs on a thread of the
 * library's own, so the click message is posted meanwhile (its message time
 * lies inside the pause), not once this thread pumps again. Prints
 * "set N cleared M busy-posted-after T ms of P"; exit code 0 when N > 0,
 * M == 0 and the message came during the pause. */
#include "platform_win32/windows_preamble.h"
/* The system headers after it. */
#include <stdio.h>
#include <windows.h>

#include "tesshook.h"

static UINT click_message;
static int clicks;

static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == click_message) {
    ++clicks;
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

static DWORD WINAPI click_thread(LPVOID unused) {
  INPUT input[2];
  (void)unused;
  ZeroMemory(input, sizeof input);
  input[0].type = INPUT_MOUSE;
  input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[1].type = INPUT_MOUSE;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, input, sizeof input[0]);
  return 0;
}

/* From a thread of its own, as a user's click comes from outside: the hook
 * runs in this thread's message loop meanwhile. */
static void click(void) {
  HANDLE thread = CreateThread(NULL, 0, click_thread, NULL, 0, NULL);
  if (thread) CloseHandle(thread);
}

/* Pumps the thread's messages for `ms`: the hook runs inside this loop. */
static void pump(DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    MSG message;
    while (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_ALLINPUT);
  }
}

/* The click message posted while this thread did not pump: milliseconds
 * from the pause's start to its posting, or -1 when none came in time. */
static long click_while_busy(HWND window, DWORD pause_ms) {
  MSG message;
  const DWORD start = GetTickCount();
  click();
  Sleep(pause_ms);
  if (!PeekMessageW(&message, window, click_message, click_message, PM_REMOVE)) return -1;
  if ((LONG)(message.time - start) < 0 || message.time - start >= pause_ms) return -1;
  return (long)(message.time - start);
}

int wmain(void) {
  WNDCLASSW window_class;
  HWND window;
  int after_set, after_clear;
  long busy;
  click_message =
      RegisterWindowMessageW(L"UWM_MOUSECLICK_MSG-44E531B1_14D3_11d5_A025_006067718D04");
  ZeroMemory(&window_class, sizeof window_class);
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = GetModuleHandleW(NULL);
  window_class.lpszClassName = L"TesshookProbe";
  RegisterClassW(&window_class);
  window = CreateWindowExW(0, L"TesshookProbe", L"probe", WS_POPUP, 0, 0, 10, 10, NULL, NULL,
                           window_class.hInstance, NULL);
  if (!window) return 1;
  /* Away from any window of the desktop, in case it reacts. */
  SetCursorPos(5, 5);

  setMyHook(window);
  click();
  pump(700);
  after_set = clicks;
  clearMyHook(window);
  clicks = 0;
  click();
  pump(700);
  after_clear = clicks;
  setMyHook(window);
  busy = click_while_busy(window, 3000);
  clearMyHook(window);
  printf("set %d cleared %d busy-posted-after %ld ms of 3000\n", after_set, after_clear, busy);
  DestroyWindow(window);
  return after_set > 0 && after_clear == 0 && busy >= 0 ? 0 : 1;
}
