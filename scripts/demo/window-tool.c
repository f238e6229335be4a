/* A small Windows helper for the demo script, run under Wine beside the
 * program it watches:
 *   window-tool wait TITLE-PREFIX SECONDS   waits until a visible top-level
 *                                           window whose title starts with
 *                                           TITLE-PREFIX exists; prints its
 *                                           rectangle "x y width height"
 *   window-tool close TITLE-PREFIX          posts WM_CLOSE to that window
 * Exit code 0 when the window was found, 1 otherwise. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <stdio.h>
#include <wchar.h>

struct search {
  const wchar_t* prefix;
  HWND found;
};

static BOOL CALLBACK visit(HWND window, LPARAM data) {
  struct search* s = (struct search*)data;
  wchar_t title[256];
  if (!IsWindowVisible(window)) return TRUE;
  if (GetWindowTextW(window, title, 256) <= 0) return TRUE;
  if (wcsncmp(title, s->prefix, wcslen(s->prefix)) != 0) return TRUE;
  s->found = window;
  return FALSE;
}

static HWND find(const wchar_t* prefix) {
  struct search s = {prefix, NULL};
  EnumWindows(visit, (LPARAM)&s);
  return s.found;
}

int wmain(int argc, wchar_t** argv) {
  if (argc >= 4 && wcscmp(argv[1], L"wait") == 0) {
    int tenths = _wtoi(argv[3]) * 10;
    for (int i = 0; i <= tenths; ++i) {
      HWND window = find(argv[2]);
      if (window) {
        RECT r;
        /* Let it finish painting before anyone looks at it. */
        Sleep(1000);
        GetWindowRect(window, &r);
        printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
        return 0;
      }
      Sleep(100);
    }
    return 1;
  }
  if (argc >= 3 && wcscmp(argv[1], L"close") == 0) {
    HWND window = find(argv[2]);
    if (!window) return 1;
    PostMessageW(window, WM_CLOSE, 0, 0);
    return 0;
  }
  fwprintf(stderr, L"usage: window-tool wait TITLE-PREFIX SECONDS | close TITLE-PREFIX\n");
  return 2;
}
