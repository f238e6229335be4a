/* The macros set before <windows.h> or <winsock2.h>, by the C and the C++
 * sources alike: the lean header set, no min and max macros, the wide
 * character calls, and the Windows 7 API level, the oldest Windows the
 * programs run on. Include it first, before any system header of Windows. */
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#ifndef WINVER
#define WINVER 0x0601
#endif
