/* Low-level mouse hook: posts the registered click message to one window.
 *
 * Windows calls a low-level hook on the thread that installed it, and every
 * mouse event of every program waits until that thread has run it. The
 * monitor's own thread polls the spooler and paints; a hook there would slow
 * each click on the desktop by as much as a poll, and Windows removes a hook
 * that stays too slow. So the hook lives on a thread of its own that does
 * nothing else: it installs the hook, runs a message loop for it and removes
 * it when told to end. */
#define WIN32_LEAN_AND_MEAN
#define TESSHOOK_BUILDING
#include "tesshook.h"

static const wchar_t kClickMessageName[] = TESSHOOK_CLICK_MESSAGE_NAME;
/* How long setMyHook waits for the hook to be in place, and clearMyHook for
 * the thread to end. */
#define HOOK_THREAD_WAIT_MS 5000

static HINSTANCE module_instance;
static UINT click_message;
/* The window the clicks go to: written by the caller's thread, read by the
 * hook's. */
static HWND volatile target;
/* The hook thread; only the caller's thread starts and ends it. */
static HANDLE hook_thread;
static DWORD hook_thread_id;
static HHOOK hook;

static int is_click(WPARAM message) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
      return 1;
    default:
      return 0;
  }
}

static LRESULT CALLBACK mouse_procedure(int code, WPARAM wparam, LPARAM lparam) {
  HWND window = target;
  if (code == HC_ACTION && window != NULL && click_message != 0 && is_click(wparam))
    PostMessageW(window, click_message, 0, 0);
  return CallNextHookEx(hook, code, wparam, lparam);
}

/* The hook's thread: the hook is installed here and runs in this loop. The
 * ready event is set once the hook is in place (or could not be). */
static DWORD WINAPI hook_thread_main(LPVOID ready) {
  MSG message;
  /* Make the thread's message queue before anyone posts to it. */
  PeekMessageW(&message, NULL, WM_USER, WM_USER, PM_NOREMOVE);
  hook = SetWindowsHookExW(WH_MOUSE_LL, mouse_procedure, module_instance, 0);
  SetEvent((HANDLE)ready);
  if (hook == NULL) return 1;
  while (GetMessageW(&message, NULL, 0, 0) > 0) DispatchMessageW(&message);
  UnhookWindowsHookEx(hook);
  hook = NULL;
  return 0;
}

static void stop_hook_thread(void) {
  if (hook_thread == NULL) return;
  PostThreadMessageW(hook_thread_id, WM_QUIT, 0, 0);
  if (WaitForSingleObject(hook_thread, HOOK_THREAD_WAIT_MS) != WAIT_OBJECT_0)
    TerminateThread(hook_thread, 0);
  CloseHandle(hook_thread);
  hook_thread = NULL;
  hook_thread_id = 0;
}

void setMyHook(HWND window) {
  HANDLE ready;
  if (click_message == 0) click_message = RegisterWindowMessageW(kClickMessageName);
  target = window;
  if (hook_thread != NULL) {
    /* A thread whose hook failed has ended: start again. */
    if (WaitForSingleObject(hook_thread, 0) == WAIT_TIMEOUT) return;
    CloseHandle(hook_thread);
    hook_thread = NULL;
  }
  ready = CreateEventW(NULL, TRUE, FALSE, NULL);
  if (ready == NULL) return;
  hook_thread = CreateThread(NULL, 0, hook_thread_main, ready, 0, &hook_thread_id);
  /* Returns once the hook is in place, as the call did when it set the hook
   * on the caller's thread. */
  if (hook_thread != NULL) WaitForSingleObject(ready, HOOK_THREAD_WAIT_MS);
  CloseHandle(ready);
}

void clearMyHook(HWND window) {
  if (window != target) return;
  target = NULL;
  stop_hook_thread();
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    module_instance = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}
