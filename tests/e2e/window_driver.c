/* Drives the programs' windows from outside, for the end-to-end tests and the
 * demo under Wine (or on Windows). A window is named by the start of its
 * title, compared without regard to case as FindWindow does, or by its class
 * as "class:NAME". Only visible top-level windows count.
 *
 *   window_driver wait WINDOW SECONDS         wait until WINDOW exists; prints
 *                                             its rectangle "x y width height"
 *   window_driver gone WINDOW SECONDS         wait until no WINDOW exists
 *   window_driver rect WINDOW                 prints its rectangle
 *   window_driver text WINDOW ID              prints control ID's text (UTF-8)
 *   window_driver wait-text WINDOW ID TEXT SECONDS
 *                                             wait until control ID's text
 *                                             contains TEXT; prints the text
 *   window_driver items WINDOW ID             prints the lines of combo box ID,
 *                                             one per line, in list order
 *   window_driver state WINDOW ID             prints "enabled visible checked"
 *                                             as three 0/1 digits
 *   window_driver click WINDOW ID             clicks button ID (posted, so the
 *                                             program may work inside its
 *                                             handler); fails when disabled
 *   window_driver close WINDOW                posts WM_CLOSE
 *   window_driver sleep SECONDS               does nothing for that long (a
 *                                             stand-in process to be found
 *                                             and ended by name)
 *   window_driver post WINDOW MSG WPARAM LPARAM
 *                                             posts a message; hidden windows
 *                                             count here (the tray window)
 *   window_driver count WINDOW                prints how many top-level
 *                                             windows match, hidden ones too
 *   window_driver cursor X Y                  moves the cursor
 *   window_driver menu SECONDS                waits for an open popup menu and
 *                                             prints its rectangle (a menu's
 *                                             items belong to its process)
 *   window_driver menu-gone SECONDS           waits until no menu is open
 *   window_driver click-at X Y                a real left click at (X, Y)
 *   window_driver workarea                    prints the desktop's work area
 *                                             "left top right bottom"
 *
 * Exit code 0 on success, 1 when the window or control is missing (or the
 * wait ran out), 2 on bad arguments. Messages that wait for an answer are
 * sent with a time-out, since the programs work synchronously inside their
 * handlers. */
#include "platform_win32/windows_preamble.h"
/* The system headers after it. */
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>
#include <windows.h>

#define TEXT_CHARS 4096
#define ANSWER_TIMEOUT_MS 5000

struct search {
  const wchar_t* prefix;
  int by_class;
  HWND found;
  int with_hidden; /* hidden windows count too */
  int matches;
};

static BOOL CALLBACK visit(HWND window, LPARAM data) {
  struct search* s = (struct search*)data;
  wchar_t name[512];
  size_t length = wcslen(s->prefix);
  if (!s->with_hidden && !IsWindowVisible(window)) return TRUE;
  if (s->by_class) {
    if (GetClassNameW(window, name, 512) <= 0) return TRUE;
    if (_wcsicmp(name, s->prefix) != 0) return TRUE;
  } else {
    if (GetWindowTextW(window, name, 512) <= 0) return TRUE;
    if (_wcsnicmp(name, s->prefix, length) != 0) return TRUE;
  }
  s->found = window;
  s->matches++;
  return s->with_hidden ? TRUE : FALSE;
}

static HWND find_in(const wchar_t* window_name, int with_hidden, int* matches) {
  struct search s = {window_name, 0, NULL, with_hidden, 0};
  if (wcsncmp(window_name, L"class:", 6) == 0) {
    s.prefix = window_name + 6;
    s.by_class = 1;
  }
  EnumWindows(visit, (LPARAM)&s);
  if (matches) *matches = s.matches;
  return s.found;
}

static HWND find(const wchar_t* window_name) { return find_in(window_name, 0, NULL); }

/* The open popup menu's window, if any. */
static HWND open_menu(void) {
  HWND menu_window = FindWindowW(L"#32768", NULL);
  return menu_window && IsWindowVisible(menu_window) ? menu_window : NULL;
}

static void print_utf8(const wchar_t* text) {
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, NULL, 0, NULL, NULL);
  char* out = (char*)malloc(bytes > 0 ? (size_t)bytes : 1);
  if (!out) return;
  out[0] = 0;
  if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, text, -1, out, bytes, NULL, NULL);
  fputs(out, stdout);
  fputc('\n', stdout);
  free(out);
}

static int print_rect(HWND window) {
  RECT r;
  if (!GetWindowRect(window, &r)) return 1;
  printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
  return 0;
}

/* Reads a control's text; 0 when the program did not answer in time. */
static int read_text(HWND control, wchar_t* text) {
  DWORD_PTR copied = 0;
  text[0] = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXT, TEXT_CHARS, (LPARAM)text, SMTO_ABORTIFHUNG,
                           ANSWER_TIMEOUT_MS, &copied))
    return 0;
  text[TEXT_CHARS - 1] = 0;
  return 1;
}

/* Converts the UTF-16 argument to the same text as the program would hold;
 * the command line already is UTF-16, so only the ID needs parsing. */
static int parse_id(const wchar_t* text, int* id) {
  wchar_t* end = NULL;
  long value = wcstol(text, &end, 0);
  if (!end || *end != 0 || value < 0 || value > 0xFFFF) return 0;
  *id = (int)value;
  return 1;
}

static HWND control_of(const wchar_t* window_spec, const wchar_t* id_text) {
  int id = 0;
  HWND window;
  if (!parse_id(id_text, &id)) return NULL;
  window = find(window_spec);
  return window ? GetDlgItem(window, id) : NULL;
}

static int usage(void) {
  fwprintf(stderr,
           L"usage: window_driver wait|gone WINDOW SECONDS | rect WINDOW | text WINDOW ID |\n"
           L"       wait-text WINDOW ID TEXT SECONDS | items WINDOW ID | state WINDOW ID |\n"
           L"       click WINDOW ID |\n"
           L"       close WINDOW | sleep SECONDS | post WINDOW MSG WPARAM LPARAM |\n"
           L"       count WINDOW | cursor X Y | menu SECONDS | menu-gone SECONDS |\n"
           L"       click-at X Y | workarea\n");
  return 2;
}

int wmain(int argc, wchar_t** argv) {
  static wchar_t text[TEXT_CHARS];
  /* Lines end in "\n" alone, as the scripts reading them expect. */
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc < 2) return usage();
  const wchar_t* command = argv[1];
  if (wcscmp(command, L"workarea") == 0 && argc == 2) {
    RECT area;
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) return 1;
    printf("%ld %ld %ld %ld\n", area.left, area.top, area.right, area.bottom);
    return 0;
  }
  if (argc < 3) return usage();
  if (wcscmp(command, L"sleep") == 0 && argc == 3) {
    Sleep((DWORD)_wtoi(argv[2]) * 1000);
    return 0;
  }
  if ((wcscmp(command, L"wait") == 0 || wcscmp(command, L"gone") == 0) && argc == 4) {
    const int want_present = wcscmp(command, L"wait") == 0;
    const int tenths = _wtoi(argv[3]) * 10;
    for (int i = 0; i <= tenths; ++i) {
      HWND window = find(argv[2]);
      if (want_present && window) {
        /* Let it finish painting, frame included, before anyone looks at it:
         * the first window of a fresh prefix can come up before its caption
         * is drawn. */
        Sleep(500);
        RedrawWindow(window, NULL, NULL,
                     RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Sleep(500);
        return print_rect(window);
      }
      if (!want_present && !window) return 0;
      Sleep(100);
    }
    return 1;
  }
  if (wcscmp(command, L"rect") == 0 && argc == 3) {
    HWND window = find(argv[2]);
    return window ? print_rect(window) : 1;
  }
  if (wcscmp(command, L"close") == 0 && argc == 3) {
    HWND window = find(argv[2]);
    if (!window) return 1;
    return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
  }
  if (wcscmp(command, L"text") == 0 && argc == 4) {
    HWND control = control_of(argv[2], argv[3]);
    if (!control || !read_text(control, text)) return 1;
    print_utf8(text);
    return 0;
  }
  if (wcscmp(command, L"wait-text") == 0 && argc == 6) {
    const int tenths = _wtoi(argv[5]) * 10;
    for (int i = 0; i <= tenths; ++i) {
      HWND control = control_of(argv[2], argv[3]);
      if (control && read_text(control, text) && wcsstr(text, argv[4])) {
        print_utf8(text);
        return 0;
      }
      Sleep(100);
    }
    if (control_of(argv[2], argv[3]) && read_text(control_of(argv[2], argv[3]), text))
      print_utf8(text);
    return 1;
  }
  if (wcscmp(command, L"items") == 0 && argc == 4) {
    HWND control = control_of(argv[2], argv[3]);
    DWORD_PTR count = 0;
    if (!control || !SendMessageTimeoutW(control, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG,
                                         ANSWER_TIMEOUT_MS, &count))
      return 1;
    if ((LRESULT)count < 0) return 1;
    for (WPARAM i = 0; i < (WPARAM)count; ++i) {
      DWORD_PTR length = 0;
      if (!SendMessageTimeoutW(control, CB_GETLBTEXTLEN, i, 0, SMTO_ABORTIFHUNG, ANSWER_TIMEOUT_MS,
                               &length) ||
          (LRESULT)length < 0 || length >= TEXT_CHARS)
        return 1;
      text[0] = 0;
      if (!SendMessageTimeoutW(control, CB_GETLBTEXT, i, (LPARAM)text, SMTO_ABORTIFHUNG,
                               ANSWER_TIMEOUT_MS, &length))
        return 1;
      text[TEXT_CHARS - 1] = 0;
      print_utf8(text);
    }
    return 0;
  }
  if (wcscmp(command, L"state") == 0 && argc == 4) {
    HWND control = control_of(argv[2], argv[3]);
    DWORD_PTR checked = 0;
    if (!control) return 1;
    SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, ANSWER_TIMEOUT_MS, &checked);
    printf("%d %d %d\n", IsWindowEnabled(control) ? 1 : 0, IsWindowVisible(control) ? 1 : 0,
           checked == BST_CHECKED ? 1 : 0);
    return 0;
  }
  if (wcscmp(command, L"click") == 0 && argc == 4) {
    HWND control = control_of(argv[2], argv[3]);
    if (!control || !IsWindowEnabled(control) || !IsWindowVisible(control)) return 1;
    return PostMessageW(control, BM_CLICK, 0, 0) ? 0 : 1;
  }
  if (wcscmp(command, L"post") == 0 && argc == 6) {
    HWND window = find_in(argv[2], 1, NULL);
    if (!window) return 1;
    return PostMessageW(window, (UINT)wcstoul(argv[3], NULL, 0), (WPARAM)wcstoul(argv[4], NULL, 0),
                        (LPARAM)wcstol(argv[5], NULL, 0))
               ? 0
               : 1;
  }
  if (wcscmp(command, L"count") == 0 && argc == 3) {
    int matches = 0;
    find_in(argv[2], 1, &matches);
    printf("%d\n", matches);
    return 0;
  }
  if (wcscmp(command, L"cursor") == 0 && argc == 4) {
    return SetCursorPos(_wtoi(argv[2]), _wtoi(argv[3])) ? 0 : 1;
  }
  if ((wcscmp(command, L"menu") == 0 || wcscmp(command, L"menu-gone") == 0) && argc == 3) {
    const int want_open = wcscmp(command, L"menu") == 0;
    const int tenths = _wtoi(argv[2]) * 10;
    for (int i = 0; i <= tenths; ++i) {
      HWND menu_window = open_menu();
      if (want_open && menu_window) {
        Sleep(300);
        return print_rect(menu_window);
      }
      if (!want_open && !menu_window) return 0;
      Sleep(100);
    }
    return 1;
  }
  if (wcscmp(command, L"click-at") == 0 && argc == 4) {
    INPUT input[2];
    if (!SetCursorPos(_wtoi(argv[2]), _wtoi(argv[3]))) return 1;
    ZeroMemory(input, sizeof input);
    input[0].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].type = INPUT_MOUSE;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    return SendInput(2, input, sizeof input[0]) == 2 ? 0 : 1;
  }
  return usage();
}
