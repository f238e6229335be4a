/* Seeds print queues of the maker's drivers into the running Windows (Wine
 * here) with the values the printer driver publishes, for the monitor's
 * end-to-end tests, its benchmark and the demo.
 *
 *   tessaly_queues add QUEUE DRIVER [SERIAL]    adds the driver (Wine's
 *                                               PostScript files) when missing
 *                                               and the queue on FILE:, with
 *                                               an idle printer's values
 *   tessaly_queues status QUEUE MAIN ERROR [RIBBON]
 *                                               "PrinterStatus" (numbers in C
 *                                               notation)
 *   tessaly_queues error QUEUE TEXT             "ErrorMessage"
 *   tessaly_queues has QUEUE VALUE              exit 0 when the value exists
 *   tessaly_queues delete QUEUE                 removes the queue
 *   tessaly_queues crowd PREFIX COUNT MONITORED adds COUNT queues "PREFIX n",
 *                                               MONITORED of them spread
 *                                               evenly of the maker's driver,
 *                                               the rest of another
 *   tessaly_queues clear PREFIX COUNT           removes them again
 *
 * Exit code 0 on success, 1 on a failed call (its error code is printed),
 * 2 on bad arguments. */
#include "platform_win32/windows_preamble.h"
/* The system headers after it. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>
#include <windows.h>
#include <winspool.h>

static int fail(const char* what, DWORD error) {
  fprintf(stderr, "tessaly_queues: %s failed with %lu\n", what, (unsigned long)error);
  return 1;
}

static HANDLE open_admin(const wchar_t* queue) {
  PRINTER_DEFAULTSW defaults = {NULL, NULL, PRINTER_ALL_ACCESS};
  HANDLE printer = NULL;
  return OpenPrinterW((LPWSTR)queue, &printer, &defaults) ? printer : NULL;
}

static DWORD set_value(HANDLE printer, const wchar_t* name, DWORD type, const void* data,
                       DWORD size) {
  return SetPrinterDataW(printer, (LPWSTR)name, type, (BYTE*)data, size);
}

static DWORD set_text(HANDLE printer, const wchar_t* name, const wchar_t* text) {
  return set_value(printer, name, REG_SZ, text, (DWORD)((wcslen(text) + 1) * sizeof(wchar_t)));
}

static DWORD set_status(HANDLE printer, DWORD main_word, DWORD error_word, WORD ribbon) {
  BYTE bytes[12];
  memset(bytes, 0, sizeof bytes);
  memcpy(bytes, &main_word, 4);
  memcpy(bytes + 4, &error_word, 4);
  memcpy(bytes + 10, &ribbon, 2);
  return set_value(printer, L"PrinterStatus", REG_BINARY, bytes, sizeof bytes);
}

static DWORD add_driver(const wchar_t* name) {
  DRIVER_INFO_3W info;
  ZeroMemory(&info, sizeof info);
  info.cVersion = 3;
  info.pName = (LPWSTR)name;
  info.pDriverPath = (LPWSTR)L"wineps.drv";
  info.pDataFile = (LPWSTR)L"wineps.drv";
  info.pConfigFile = (LPWSTR)L"wineps.drv";
  if (AddPrinterDriverW(NULL, 3, (BYTE*)&info)) return 0;
  DWORD error = GetLastError();
  return error == ERROR_PRINTER_DRIVER_ALREADY_INSTALLED ? 0 : error;
}

static int add_queue(const wchar_t* queue, const wchar_t* driver, const wchar_t* serial) {
  static const BYTE version[] = "1.00.61 ";
  const DWORD zero = 0;
  const BYTE laminator[8] = {0};
  PRINTER_INFO_2W info;
  HANDLE printer;
  DWORD error = add_driver(driver);
  if (error) return fail("AddPrinterDriverW", error);
  if ((printer = open_admin(queue)) != NULL) { /* left over from an earlier run */
    DeletePrinter(printer);
    ClosePrinter(printer);
  }
  ZeroMemory(&info, sizeof info);
  info.pPrinterName = (LPWSTR)queue;
  info.pPortName = (LPWSTR)L"FILE:";
  info.pDriverName = (LPWSTR)driver;
  info.pPrintProcessor = (LPWSTR)L"WinPrint";
  info.pDatatype = (LPWSTR)L"RAW";
  printer = AddPrinterW(NULL, 2, (BYTE*)&info);
  if (!printer) return fail("AddPrinterW", GetLastError());
  ClosePrinter(printer);
  if (!(printer = open_admin(queue))) return fail("OpenPrinterW", GetLastError());
  if ((error = set_text(printer, L"PrinterID", L"ZELKO-E2E")) ||
      (error = set_text(printer, L"PrinterSerial", serial)) ||
      (error = set_value(printer, L"PrinterVersion", REG_BINARY, version, sizeof version)) ||
      (error = set_status(printer, 0, 0, 100)) ||
      (error = set_value(printer, L"PrinterType", REG_DWORD, &zero, 4)) ||
      (error = set_value(printer, L"LockType", REG_DWORD, &zero, 4)) ||
      (error = set_value(printer, L"LaminatorStatus", REG_BINARY, laminator, 8))) {
    ClosePrinter(printer);
    return fail("SetPrinterDataW", error);
  }
  ClosePrinter(printer);
  return 0;
}

static void numbered(wchar_t* name, size_t capacity, const wchar_t* prefix, int n) {
  _snwprintf(name, capacity, L"%ls %03d", prefix, n);
  name[capacity - 1] = 0;
}

static int crowd(const wchar_t* prefix, int count, int monitored_count) {
  wchar_t name[128];
  const int every = monitored_count > 0 ? count / monitored_count : 0;
  for (int i = 0; i < count; ++i) {
    const int monitored = every > 0 && i % every == every / 2 && i / every < monitored_count;
    numbered(name, 128, prefix, i);
    if (add_queue(name, monitored ? L"Orvane ZELKO-70 Card Printer" : L"Generic Office Printer",
                  L"12AB3456"))
      return 1;
  }
  return 0;
}

static int clear(const wchar_t* prefix, int count) {
  wchar_t name[128];
  for (int i = 0; i < count; ++i) {
    HANDLE printer;
    numbered(name, 128, prefix, i);
    if ((printer = open_admin(name)) != NULL) {
      DeletePrinter(printer);
      ClosePrinter(printer);
    }
  }
  return 0;
}

int wmain(int argc, wchar_t** argv) {
  HANDLE printer;
  DWORD error = 0;
  if (argc < 3) return 2;
  if (wcscmp(argv[1], L"crowd") == 0 && argc == 5)
    return crowd(argv[2], _wtoi(argv[3]), _wtoi(argv[4]));
  if (wcscmp(argv[1], L"clear") == 0 && argc == 4) return clear(argv[2], _wtoi(argv[3]));
  if (wcscmp(argv[1], L"add") == 0 && (argc == 4 || argc == 5))
    return add_queue(argv[2], argv[3], argc == 5 ? argv[4] : L"12AB3456");
  if (!(printer = open_admin(argv[2]))) return fail("OpenPrinterW", GetLastError());
  if (wcscmp(argv[1], L"status") == 0 && (argc == 5 || argc == 6)) {
    error = set_status(printer, (DWORD)wcstoul(argv[3], NULL, 0), (DWORD)wcstoul(argv[4], NULL, 0),
                       (WORD)(argc == 6 ? wcstoul(argv[5], NULL, 0) : 100));
  } else if (wcscmp(argv[1], L"error") == 0 && argc == 4) {
    error = set_text(printer, L"ErrorMessage", argv[3]);
  } else if (wcscmp(argv[1], L"has") == 0 && argc == 4) {
    DWORD type = 0, needed = 0;
    BYTE buffer[256];
    error = GetPrinterDataW(printer, argv[3], &type, buffer, sizeof buffer, &needed);
    ClosePrinter(printer);
    return error == ERROR_SUCCESS ? 0 : 1;
  } else if (wcscmp(argv[1], L"delete") == 0 && argc == 3) {
    if (!DeletePrinter(printer)) error = GetLastError();
  } else {
    ClosePrinter(printer);
    return 2;
  }
  ClosePrinter(printer);
  return error ? fail(argv[1][0] == L'd' ? "DeletePrinter" : "SetPrinterDataW", error) : 0;
}
