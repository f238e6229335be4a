// The print server over winspool: forms, the Standard TCP/IP port monitor
// and new queues.
#include "platform_win32/win32_spooler.h"

// clang-format off
#include "platform_win32/windows_api.h"
#include <winspool.h>
// clang-format on

#include <string>
#include <vector>

namespace platform_win32 {

namespace {

using platform::Win32Error;

HANDLE as_printer(platform::PrinterHandle handle) { return reinterpret_cast<HANDLE>(handle); }

// Strings winspool takes as writable pointers it does not write through.
wchar_t* writable(std::wstring& text) { return text.empty() ? nullptr : text.data(); }

}  // namespace

Win32Error Win32Spooler::open_print_server(platform::PrinterHandle* handle) {
  if (handle == nullptr) return platform::kErrorInvalidParameter;
  *handle = 0;
  HANDLE server = nullptr;
  if (!OpenPrinterW(nullptr, &server, nullptr)) return last_error();
  *handle = reinterpret_cast<platform::PrinterHandle>(server);
  return platform::kErrorSuccess;
}

Win32Error Win32Spooler::enum_forms(platform::PrinterHandle server, std::size_t buffer_bytes,
                                    std::vector<platform::FormInfo1>* forms) {
  if (forms == nullptr || buffer_bytes > 0xFFFFFFFFu) return platform::kErrorInvalidParameter;
  forms->clear();
  // One call into one buffer of the caller's size; no size query first.
  std::vector<std::uint64_t> buffer(buffer_bytes / sizeof(std::uint64_t) + 1, 0);
  DWORD needed = 0, count = 0;
  if (!EnumFormsW(as_printer(server), 1, reinterpret_cast<BYTE*>(buffer.data()),
                  static_cast<DWORD>(buffer_bytes), &needed, &count))
    return last_error();
  const auto* records = reinterpret_cast<const FORM_INFO_1W*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    const FORM_INFO_1W& r = records[i];
    forms->push_back({r.Flags, r.pName ? from_wide(r.pName) : std::u16string(), r.Size.cx,
                      r.Size.cy, r.ImageableArea.left, r.ImageableArea.top, r.ImageableArea.right,
                      r.ImageableArea.bottom});
  }
  return platform::kErrorSuccess;
}

Win32Error Win32Spooler::add_form(platform::PrinterHandle server, const platform::FormInfo1& form) {
  std::wstring name = to_wide(form.name);
  FORM_INFO_1W record{};
  record.Flags = form.flags;
  record.pName = writable(name);
  record.Size = {form.width, form.height};
  record.ImageableArea = {form.left, form.top, form.right, form.bottom};
  if (!AddFormW(as_printer(server), 1, reinterpret_cast<BYTE*>(&record))) return last_error();
  return platform::kErrorSuccess;
}

Win32Error Win32Spooler::delete_form(platform::PrinterHandle server, std::u16string_view name) {
  std::wstring text = to_wide(name);
  if (!DeleteFormW(as_printer(server), writable(text))) return last_error();
  return platform::kErrorSuccess;
}

Win32Error Win32Spooler::delete_port(std::u16string_view name) {
  std::wstring text = to_wide(name);
  if (!DeletePortW(nullptr, nullptr, writable(text))) return last_error();
  return platform::kErrorSuccess;
}

Win32Error Win32Spooler::open_xcv_monitor(std::u16string_view monitor, std::uint32_t access,
                                          platform::PrinterHandle* handle) {
  if (handle == nullptr) return platform::kErrorInvalidParameter;
  *handle = 0;
  std::wstring name = L",XcvMonitor " + to_wide(monitor);
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, access};
  HANDLE xcv = nullptr;
  if (!OpenPrinterW(writable(name), &xcv, &defaults)) return last_error();
  *handle = reinterpret_cast<platform::PrinterHandle>(xcv);
  return platform::kErrorSuccess;
}

Win32Error Win32Spooler::xcv_data(platform::PrinterHandle xcv, std::u16string_view command,
                                  const void* input, std::uint32_t input_bytes,
                                  std::uint32_t output_capacity, std::uint32_t* needed,
                                  std::uint32_t* status) {
  if (needed == nullptr || status == nullptr) return platform::kErrorInvalidParameter;
  const std::wstring name = to_wide(command);
  std::vector<BYTE> in(static_cast<const BYTE*>(input),
                       static_cast<const BYTE*>(input) + (input ? input_bytes : 0));
  std::vector<BYTE> out(output_capacity + 1, 0);
  DWORD got = 0, answer = 0;
  if (!XcvDataW(as_printer(xcv), name.c_str(), in.empty() ? nullptr : in.data(), input_bytes,
                out.data(), output_capacity, &got, &answer))
    return last_error();
  *needed = got;
  *status = answer;
  return platform::kErrorSuccess;
}

Win32Error Win32Spooler::add_printer(const platform::NewPrinter& printer,
                                     platform::PrinterHandle* handle) {
  if (handle == nullptr) return platform::kErrorInvalidParameter;
  *handle = 0;
  std::wstring name = to_wide(printer.printer_name), port = to_wide(printer.port_name),
               driver = to_wide(printer.driver_name), processor = to_wide(printer.print_processor),
               type = to_wide(printer.data_type);
  PRINTER_INFO_2W info{};
  info.pPrinterName = writable(name);
  info.pPortName = writable(port);
  info.pDriverName = writable(driver);
  info.pPrintProcessor = writable(processor);
  info.pDatatype = writable(type);
  HANDLE queue = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
  if (queue == nullptr) return last_error();
  *handle = reinterpret_cast<platform::PrinterHandle>(queue);
  return platform::kErrorSuccess;
}

}  // namespace platform_win32
