/* The mouse-hook library the monitor imports. While a window is set, every
 * mouse button click anywhere on the desktop posts the registered message
 * "UWM_MOUSECLICK_MSG-44E531B1_14D3_11d5_A025_006067718D04" to it, so that a
 * popup menu left open can close on a click outside it. */
#ifndef TESSHOOK_H
#define TESSHOOK_H

#include "platform_win32/windows_preamble.h"
/* The system headers after it. */
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The name of the registered message the hook posts; the monitor registers
 * the same name. */
#define TESSHOOK_CLICK_MESSAGE_NAME L"UWM_MOUSECLICK_MSG-44E531B1_14D3_11d5_A025_006067718D04"

#ifdef TESSHOOK_BUILDING
#define TESSHOOK_API __declspec(dllexport)
#else
#define TESSHOOK_API __declspec(dllimport)
#endif

/* Installs the low-level mouse hook for `window` (replacing an earlier
 * window) on a thread of the library's own, so that no click waits for the
 * caller's thread; returns once the hook is in place. */
TESSHOOK_API void setMyHook(HWND window);
/* Removes the hook when it was set for `window`, and ends its thread. */
TESSHOOK_API void clearMyHook(HWND window);

#ifdef __cplusplus
}
#endif

#endif
