/* How long a click takes to reach a window: the time from SendInput of a
 * left button press at the window to the window's WM_LBUTTONDOWN, over
 * ROUNDS clicks about 37 ms apart (not a multiple of the monitor's 20 ms and
 * 500 ms timers). Every low-level mouse hook of the desktop runs in between,
 * so a monitor running beside this program shows here as the added delay.
 *
 *   click_delay [ROUNDS]
 *
 * Prints "clicks N median A ms p90 B ms max C ms" (milliseconds with one
 * decimal); exit code 1 when a click did not arrive within 5 seconds. */
#include "platform_win32/windows_preamble.h"
/* The system headers after it. */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

static LARGE_INTEGER pressed_at;
static int arrived;

static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_LBUTTONDOWN) {
    QueryPerformanceCounter(&pressed_at);
    arrived = 1;
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

static int compare(const void* a, const void* b) {
  const double x = *(const double*)a, y = *(const double*)b;
  return x < y ? -1 : x > y;
}

static void send_button(DWORD flags) {
  INPUT input;
  ZeroMemory(&input, sizeof input);
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof input);
}

int wmain(int argc, wchar_t** argv) {
  const int rounds = argc > 1 ? _wtoi(argv[1]) : 200;
  WNDCLASSW window_class;
  HWND window;
  LARGE_INTEGER frequency, sent;
  double* delays;
  int done = 0;
  if (rounds <= 0) return 2;
  delays = (double*)calloc((size_t)rounds, sizeof *delays);
  if (!delays) return 1;
  SetProcessDPIAware();
  QueryPerformanceFrequency(&frequency);
  ZeroMemory(&window_class, sizeof window_class);
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = GetModuleHandleW(NULL);
  window_class.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
  window_class.lpszClassName = L"ClickDelayTarget";
  RegisterClassW(&window_class);
  /* Mid-screen, above everything, away from the balloon and the tray. */
  window =
      CreateWindowExW(WS_EX_TOPMOST, L"ClickDelayTarget", L"click delay", WS_POPUP | WS_VISIBLE,
                      200, 200, 200, 200, NULL, NULL, window_class.hInstance, NULL);
  if (!window) return 1;
  SetForegroundWindow(window);
  SetCursorPos(300, 300);
  Sleep(500);
  for (; done < rounds; ++done) {
    MSG message;
    const DWORD start = GetTickCount();
    arrived = 0;
    QueryPerformanceCounter(&sent);
    send_button(MOUSEEVENTF_LEFTDOWN);
    while (!arrived && GetTickCount() - start < 5000) {
      while (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      if (!arrived) MsgWaitForMultipleObjects(0, NULL, FALSE, 5, QS_ALLINPUT);
    }
    send_button(MOUSEEVENTF_LEFTUP);
    if (!arrived) break;
    delays[done] =
        1000.0 * (double)(pressed_at.QuadPart - sent.QuadPart) / (double)frequency.QuadPart;
    /* Let the release through, then wait for the next round. */
    while (GetTickCount() - start < 37) {
      while (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      MsgWaitForMultipleObjects(0, NULL, FALSE, 2, QS_ALLINPUT);
    }
  }
  DestroyWindow(window);
  if (done < rounds) {
    printf("click %d did not arrive\n", done + 1);
    return 1;
  }
  qsort(delays, (size_t)rounds, sizeof *delays, compare);
  printf("clicks %d median %.1f ms p90 %.1f ms max %.1f ms\n", rounds, delays[rounds / 2],
         delays[(rounds * 9) / 10], delays[rounds - 1]);
  free(delays);
  return 0;
}
