/* Low-level mouse hook: posts the registered click message to one window. */
#define WIN32_LEAN_AND_MEAN
#define TESSHOOK_BUILDING
#include "tesshook.h"

static const wchar_t kClickMessageName[] =
    L"UWM_MOUSECLICK_MSG-44E531B1_14D3_11d5_A025_006067718D04";

/* The hook runs on the thread that set it, so plain statics will do. */
static HINSTANCE module_instance;
static HHOOK hook;
static HWND target;
static UINT click_message;

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
  if (code == HC_ACTION && target != NULL && click_message != 0 && is_click(wparam))
    PostMessageW(target, click_message, 0, 0);
  return CallNextHookEx(hook, code, wparam, lparam);
}

void setMyHook(HWND window) {
  if (click_message == 0) click_message = RegisterWindowMessageW(kClickMessageName);
  target = window;
  if (hook == NULL) hook = SetWindowsHookExW(WH_MOUSE_LL, mouse_procedure, module_instance, 0);
}

void clearMyHook(HWND window) {
  if (window != target) return;
  if (hook != NULL) UnhookWindowsHookEx(hook);
  hook = NULL;
  target = NULL;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    module_instance = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}
