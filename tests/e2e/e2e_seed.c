/* Seeds and inspects the spooler of a Wine prefix (or a Windows test
 * machine) for the end-to-end scenarios:
 *   e2e_seed add-queue QUEUE DRIVER   a queue on FILE: with a driver of that
 *                                     name on the system's own PostScript
 *                                     driver files (made when missing)
 *   e2e_seed remove-queue QUEUE       deletes the queue when it is there
 *   e2e_seed remove-driver DRIVER     deletes the driver when it is there
 *   e2e_seed has-queue QUEUE          exit code 0 when the queue exists
 *   e2e_seed message CODE             prints the system's text of an error
 *                                     code (UTF-8, no line break)
 * Exit code 0 on success, 1 on failure (with the error code on stderr). */
#include "platform_win32/windows_preamble.h"
/* The system headers after it. */
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>
#include <windows.h>
#include <winspool.h>

static int fail(const char* what) {
  fprintf(stderr, "%s failed with %lu\n", what, (unsigned long)GetLastError());
  return 1;
}

static int add_driver(wchar_t* name) {
  wchar_t file[] = L"wineps.drv";
  DRIVER_INFO_3W info;
  ZeroMemory(&info, sizeof info);
  info.cVersion = 3;
  info.pName = name;
  info.pDriverPath = file;
  info.pDataFile = file;
  info.pConfigFile = file;
  if (AddPrinterDriverW(NULL, 3, (BYTE*)&info)) return 0;
  return GetLastError() == ERROR_PRINTER_DRIVER_ALREADY_INSTALLED ? 0 : fail("AddPrinterDriverW");
}

static HANDLE open_admin(wchar_t* queue) {
  PRINTER_DEFAULTSW defaults = {NULL, NULL, PRINTER_ALL_ACCESS};
  HANDLE h = NULL;
  return OpenPrinterW(queue, &h, &defaults) ? h : NULL;
}

int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && wcscmp(argv[1], L"add-queue") == 0) {
    wchar_t port[] = L"FILE:", processor[] = L"WinPrint", type[] = L"RAW";
    PRINTER_INFO_2W info;
    HANDLE h;
    if (add_driver(argv[3]) != 0) return 1;
    ZeroMemory(&info, sizeof info);
    info.pPrinterName = argv[2];
    info.pPortName = port;
    info.pDriverName = argv[3];
    info.pPrintProcessor = processor;
    info.pDatatype = type;
    h = AddPrinterW(NULL, 2, (BYTE*)&info);
    if (!h) return GetLastError() == ERROR_PRINTER_ALREADY_EXISTS ? 0 : fail("AddPrinterW");
    ClosePrinter(h);
    return 0;
  }
  if (argc == 3 && wcscmp(argv[1], L"remove-queue") == 0) {
    HANDLE h = open_admin(argv[2]);
    if (!h) return 0;
    if (!DeletePrinter(h)) {
      ClosePrinter(h);
      return fail("DeletePrinter");
    }
    ClosePrinter(h);
    return 0;
  }
  if (argc == 3 && wcscmp(argv[1], L"remove-driver") == 0) {
    /* Wine deletes drivers only with flags 0 and its own environment's name. */
    wchar_t environment[] = L"Windows x64";
    if (DeletePrinterDriverExW(NULL, environment, argv[2], 0, 0)) return 0;
    return GetLastError() == ERROR_UNKNOWN_PRINTER_DRIVER ? 0 : fail("DeletePrinterDriverExW");
  }
  if (argc == 3 && wcscmp(argv[1], L"has-queue") == 0) {
    HANDLE h = NULL;
    if (!OpenPrinterW(argv[2], &h, NULL)) return 1;
    ClosePrinter(h);
    return 0;
  }
  if (argc == 3 && wcscmp(argv[1], L"message") == 0) {
    wchar_t* text = NULL;
    char out[2048];
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        NULL, (DWORD)wcstoul(argv[2], NULL, 0), 0, (wchar_t*)&text, 0, NULL);
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n')) --length;
    out[0] = 0;
    if (length > 0)
      out[WideCharToMultiByte(CP_UTF8, 0, text, (int)length, out, sizeof out - 1, NULL, NULL)] = 0;
    if (text) LocalFree(text);
    fputs(out, stdout);
    return 0;
  }
  fprintf(stderr,
          "usage: e2e_seed add-queue QUEUE DRIVER | remove-queue QUEUE |\n"
          "       remove-driver DRIVER | has-queue QUEUE | message CODE\n");
  return 2;
}
