// The print server's own objects: paper forms, ports through the Standard
// TCP/IP port monitor, and the creation of print queues.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/spooler.h"
#include "platform/win_error.h"

namespace platform {

inline constexpr std::uint32_t kServerAccessAdminister = 0x00000001;

// FORM_INFO_1 flags.
inline constexpr std::uint32_t kFormUser = 0;
inline constexpr std::uint32_t kFormBuiltin = 1;
inline constexpr std::uint32_t kFormPrinter = 2;

inline constexpr Win32Error kErrorInvalidFormName = 1902;
inline constexpr Win32Error kErrorFileExists = 80;
inline constexpr Win32Error kErrorUnknownPort = 1796;

// FORM_INFO_1W: sizes in thousandths of a millimetre.
struct FormInfo1 {
  std::uint32_t flags = kFormUser;
  std::u16string name;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;  // imageable area
};

// What FORM_INFO_1W takes in an enumeration buffer: the record and its name.
inline constexpr std::size_t kFormInfo1Bytes = 32;
inline std::size_t form_bytes(const FormInfo1& form) {
  return kFormInfo1Bytes + (form.name.size() + 1) * sizeof(char16_t);
}

// The fields of PRINTER_INFO_2W a new queue is created with; everything else
// is zero or empty.
struct NewPrinter {
  std::u16string printer_name;
  std::u16string port_name;
  std::u16string driver_name;
  std::u16string print_processor;
  std::u16string data_type;
};

class PrintServer {
 public:
  virtual ~PrintServer() = default;
  // OpenPrinterW(NULL, ..., NULL): the local print server.
  virtual Win32Error open_print_server(PrinterHandle* handle) = 0;
  // EnumFormsW at level 1 into one buffer of `buffer_bytes` (one call, no
  // size query): kErrorInsufficientBuffer when the forms do not fit.
  virtual Win32Error enum_forms(PrinterHandle server, std::size_t buffer_bytes,
                                std::vector<FormInfo1>* forms) = 0;
  virtual Win32Error add_form(PrinterHandle server, const FormInfo1& form) = 0;
  virtual Win32Error delete_form(PrinterHandle server, std::u16string_view name) = 0;
  // DeletePortW(NULL, NULL, name).
  virtual Win32Error delete_port(std::u16string_view name) = 0;
  // OpenPrinterW of ",XcvMonitor <monitor>" with the given access.
  virtual Win32Error open_xcv_monitor(std::u16string_view monitor, std::uint32_t access,
                                      PrinterHandle* handle) = 0;
  // XcvDataW: `input` is the command's data, `output_capacity` the bytes of
  // the output buffer; `*status` the monitor's own answer.
  virtual Win32Error xcv_data(PrinterHandle xcv, std::u16string_view command, const void* input,
                              std::uint32_t input_bytes, std::uint32_t output_capacity,
                              std::uint32_t* needed, std::uint32_t* status) = 0;
  // AddPrinterW(NULL, 2, ...): the new queue's handle is the caller's to close.
  virtual Win32Error add_printer(const NewPrinter& printer, PrinterHandle* handle) = 0;
};

}  // namespace platform
