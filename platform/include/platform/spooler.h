// The print spooler (winspool).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/util/scoped.h"
#include "platform/win_error.h"

namespace platform {

using PrinterHandle = std::uintptr_t;

inline constexpr std::uint32_t kPrinterAccessAdminister = 0x00000004;
inline constexpr std::uint32_t kPrinterAccessUse = 0x00000008;
inline constexpr std::uint32_t kStandardDelete = 0x00010000;
inline constexpr std::uint32_t kPrinterAllAccess = 0x000F000C;
inline constexpr std::uint32_t kPrinterAttributeWorkOffline = 0x00000400;
inline constexpr std::uint32_t kPrinterControlPurge = 3;
inline constexpr std::uint32_t kPrinterStatusPaused = 0x00000001;
inline constexpr std::uint32_t kPrinterStatusPendingDeletion = 0x00000004;
// DeletePrinterDriverExW flags: without one of the two file flags the
// driver's files stay; without DPD_DELETE_SPECIFIC_VERSION every version of
// the driver goes and the version argument is not looked at.
inline constexpr std::uint32_t kDpdDeleteUnusedFiles = 0x00000001;
inline constexpr std::uint32_t kDpdDeleteSpecificVersion = 0x00000002;
inline constexpr std::uint32_t kDpdDeleteAllFiles = 0x00000004;

// The spooler's names of the two environments a driver is built for.
inline constexpr char16_t kEnvironmentX86[] = u"Windows NT x86";
inline constexpr char16_t kEnvironmentX64[] = u"Windows x64";

inline constexpr Win32Error kErrorRpcServerUnavailable = 1722;
inline constexpr Win32Error kErrorInvalidDatatype = 1804;
inline constexpr Win32Error kErrorInvalidEnvironment = 1805;

// PRINTER_DEFAULTSW: data type and access (the programs never pass a device mode).
struct PrinterDefaults {
  std::u16string data_type;  // empty: none
  std::uint32_t access = kPrinterAccessUse;
};

// The fields of PRINTER_INFO_2W the programs use.
struct PrinterInfo2 {
  std::u16string printer_name;
  std::u16string port_name;
  std::u16string driver_name;
  std::uint32_t attributes = 0;
  std::uint32_t status = 0;
  std::u16string print_processor{};
  std::u16string data_type{};
};

struct PrinterDataValue {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

class Spooler {
 public:
  virtual ~Spooler() = default;

  // EnumPrintersW(PRINTER_ENUM_LOCAL, NULL, 2): the local queues in the
  // spooler's order.
  virtual Win32Error enum_local_printers(std::vector<PrinterInfo2>* printers) = 0;
  virtual Win32Error open_printer(std::u16string_view name, const PrinterDefaults* defaults,
                                  PrinterHandle* handle) = 0;
  virtual Win32Error close_printer(PrinterHandle handle) = 0;
  // GetPrinterDataW with a buffer of `max_bytes`: a longer value is not read
  // and gives kErrorMoreData.
  virtual Win32Error get_printer_data(PrinterHandle handle, std::u16string_view value_name,
                                      std::size_t max_bytes, PrinterDataValue* value) = 0;
  // GetPrinterDriverW for the queue at `level` into a buffer of `buffer_bytes`;
  // the content is not returned, only whether the call succeeded.
  virtual Win32Error get_printer_driver(PrinterHandle handle, std::uint32_t level,
                                        std::size_t buffer_bytes) = 0;
  // SetPrinterW(handle, 0, NULL, PRINTER_CONTROL_PURGE): deletes the queue's
  // jobs. Needs a handle opened with PRINTER_ACCESS_ADMINISTER.
  virtual Win32Error purge_printer(PrinterHandle handle) = 0;
  // DeletePrinter. Needs a handle opened with DELETE access.
  virtual Win32Error delete_printer(PrinterHandle handle) = 0;
  // EnumPrinterDriversW(NULL, NULL, 6) for the caller's default environment:
  // first the size query, then the enumeration; the drivers' names in the
  // spooler's order (empty when the needed size is 0).
  virtual Win32Error enum_printer_drivers(std::vector<std::u16string>* names) = 0;
  // DeletePrinterDriverExW(NULL, NULL, name, delete_flags, version) for the
  // caller's default environment.
  virtual Win32Error delete_printer_driver(std::u16string_view name, std::uint32_t delete_flags,
                                           std::uint32_t version) = 0;
  // GetPrinterW(handle, 2): the queue's own record.
  virtual Win32Error get_printer(PrinterHandle handle, PrinterInfo2* info) = 0;
  // The print server's own environment, as the server names it
  // (SPLREG_ARCHITECTURE): "Windows x64" on 64-bit Windows whatever the
  // caller is.
  virtual Win32Error get_server_environment(std::u16string* environment) = 0;
  // EnumPrinterDriversW and DeletePrinterDriverExW in a named environment;
  // an empty name is the caller's default, as above.
  virtual Win32Error enum_printer_drivers_in(std::u16string_view environment,
                                             std::vector<std::u16string>* names) = 0;
  virtual Win32Error delete_printer_driver_in(std::u16string_view environment,
                                              std::u16string_view name, std::uint32_t delete_flags,
                                              std::uint32_t version) = 0;
  // The same in the print server's own environment instead of the caller's:
  // a 32-bit program on 64-bit Windows asks for the x86 driver by default,
  // which a queue installed for x64 only does not have. Where the two
  // environments are the same, this is get_printer_driver.
  virtual Win32Error get_printer_driver_native(PrinterHandle handle, std::uint32_t level,
                                               std::size_t buffer_bytes) {
    return get_printer_driver(handle, level, buffer_bytes);
  }
};

// A queue, a print server or a port monitor opened through the spooler,
// closed when it goes out of scope.
using ScopedPrinter = Scoped<Spooler, PrinterHandle, &Spooler::close_printer>;

}  // namespace platform
