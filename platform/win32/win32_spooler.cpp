#include "platform_win32/win32_spooler.h"

// clang-format off
#include "platform_win32/windows_api.h"
#include <winspool.h>
// clang-format on

#include <cstring>
#include <cwchar>
#include <new>
#include <string>
#include <vector>

#include "platform_win32/grow_buffer.h"

namespace platform_win32 {
namespace {

// A printer or print-server handle the layer opens for itself.
struct PrinterHandleTraits {
  using Handle = HANDLE;
  static Handle invalid() { return nullptr; }
  static bool is_valid(Handle h) { return h != nullptr; }
  static void close(Handle h) { ClosePrinter(h); }
};
using ScopedPrinterHandle = ScopedHandle<PrinterHandleTraits>;

platform::Win32Error last_error_or(platform::Win32Error fallback) {
  const DWORD error = GetLastError();
  return error != 0 ? static_cast<platform::Win32Error>(error) : fallback;
}

// Caller-chosen buffers are capped well below what a DWORD size or a 32-bit
// address space could hold; printer data and driver descriptions are small.
constexpr std::size_t kMaxBufferBytes = 16u << 20;
bool acceptable_size(std::size_t bytes) { return bytes <= kMaxBufferBytes; }

// Storage aligned for the pointer-holding structures winspool writes.
std::vector<std::uint64_t> aligned_buffer(std::size_t bytes) {
  return std::vector<std::uint64_t>(bytes / sizeof(std::uint64_t) + 1, 0);
}
BYTE* bytes_or_null(std::vector<std::uint64_t>& buffer, std::size_t bytes) {
  return bytes == 0 ? nullptr : reinterpret_cast<BYTE*>(buffer.data());
}

platform::PrinterInfo2 printer_info_of(const PRINTER_INFO_2W& record) {
  platform::PrinterInfo2 info;
  info.printer_name = from_wide(record.pPrinterName);
  info.port_name = from_wide(record.pPortName);
  info.driver_name = from_wide(record.pDriverName);
  info.print_processor = from_wide(record.pPrintProcessor);
  info.data_type = from_wide(record.pDatatype);
  info.attributes = record.Attributes;
  info.status = record.Status;
  return info;
}

// A winspool call that failed with `error`: too small a buffer is grown to
// the size it asked for; a failure that left no code behind is a bad call.
GrowStep winspool_step(DWORD error, DWORD needed) {
  if (error == ERROR_INSUFFICIENT_BUFFER)
    return GrowStep::grow(needed, platform::kErrorInsufficientBuffer);
  return GrowStep::done(error != 0 ? static_cast<platform::Win32Error>(error)
                                   : platform::kErrorInvalidParameter);
}

}  // namespace

platform::Win32Error Win32Spooler::enum_local_printers(
    std::vector<platform::PrinterInfo2>* printers) {
  if (printers == nullptr) return platform::kErrorInvalidParameter;
  printers->clear();
  try {
    return enumerate(printers);
  } catch (const std::bad_alloc&) {
    printers->clear();
    return platform::kErrorNotEnoughMemory;
  }
}

platform::Win32Error Win32Spooler::enumerate(std::vector<platform::PrinterInfo2>* printers) {
  // The list can grow between the size query and the read.
  return call_growing(
      kMaxBufferBytes, platform::kErrorInsufficientBuffer, [&](std::size_t buffer_bytes) {
        std::vector<std::uint64_t> buffer = aligned_buffer(buffer_bytes);
        DWORD needed = 0;
        DWORD returned = 0;
        SetLastError(0);
        if (!EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, bytes_or_null(buffer, buffer_bytes),
                           static_cast<DWORD>(buffer_bytes), &needed, &returned))
          return winspool_step(GetLastError(), needed);
        if (returned == 0) return GrowStep::done(platform::kErrorSuccess);
        // Never read more entries than the buffer can hold.
        if (buffer_bytes == 0 || returned > buffer_bytes / sizeof(PRINTER_INFO_2W))
          return GrowStep::done(platform::kErrorInvalidParameter);
        const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
        printers->reserve(returned);
        for (DWORD i = 0; i < returned; ++i) printers->push_back(printer_info_of(info[i]));
        return GrowStep::done(platform::kErrorSuccess);
      });
}

platform::Win32Error Win32Spooler::open_printer(std::u16string_view name,
                                                const platform::PrinterDefaults* defaults,
                                                platform::PrinterHandle* handle) {
  if (handle == nullptr) return platform::kErrorInvalidParameter;
  *handle = 0;
  std::u16string printer_name(name);
  std::u16string data_type;
  PRINTER_DEFAULTSW pd{};
  if (defaults != nullptr) {
    data_type = defaults->data_type;
    pd.pDatatype = data_type.empty() ? nullptr : const_cast<LPWSTR>(as_wide(data_type));
    pd.pDevMode = nullptr;
    pd.DesiredAccess = defaults->access;
  }
  HANDLE h = nullptr;
  SetLastError(0);
  if (!OpenPrinterW(const_cast<LPWSTR>(as_wide(printer_name)), &h,
                    defaults != nullptr ? &pd : nullptr)) {
    return last_error_or(platform::kErrorInvalidPrinterName);
  }
  if (h == nullptr) return platform::kErrorInvalidHandle;
  *handle = reinterpret_cast<platform::PrinterHandle>(h);
  return platform::kErrorSuccess;
}

platform::Win32Error Win32Spooler::close_printer(platform::PrinterHandle handle) {
  if (handle == 0) return platform::kErrorInvalidHandle;
  SetLastError(0);
  if (!ClosePrinter(reinterpret_cast<HANDLE>(handle))) {
    return last_error_or(platform::kErrorInvalidHandle);
  }
  return platform::kErrorSuccess;
}

platform::Win32Error Win32Spooler::get_printer_data(platform::PrinterHandle handle,
                                                    std::u16string_view value_name,
                                                    std::size_t max_bytes,
                                                    platform::PrinterDataValue* value) {
  if (value == nullptr) return platform::kErrorInvalidParameter;
  value->type = 0;
  value->data.clear();
  if (!acceptable_size(max_bytes)) return platform::kErrorInvalidParameter;
  try {
    return read_data(handle, value_name, max_bytes, value);
  } catch (const std::bad_alloc&) {
    value->data.clear();
    return platform::kErrorNotEnoughMemory;
  }
}

platform::Win32Error Win32Spooler::read_data(platform::PrinterHandle handle,
                                             std::u16string_view value_name, std::size_t max_bytes,
                                             platform::PrinterDataValue* value) {
  std::u16string name(value_name);
  // One spare byte so that a zero-sized request still has a valid pointer.
  std::vector<BYTE> buffer(max_bytes + 1, 0);
  DWORD type = 0;
  DWORD needed = 0;
  const DWORD result =
      GetPrinterDataW(reinterpret_cast<HANDLE>(handle), const_cast<LPWSTR>(as_wide(name)), &type,
                      buffer.data(), static_cast<DWORD>(max_bytes), &needed);
  if (result != ERROR_SUCCESS) return static_cast<platform::Win32Error>(result);
  // Never trust the reported size beyond the buffer handed over.
  if (needed > max_bytes) return platform::kErrorMoreData;
  value->type = type;
  value->data.assign(buffer.begin(), buffer.begin() + needed);
  return platform::kErrorSuccess;
}

platform::Win32Error Win32Spooler::get_printer_driver(platform::PrinterHandle handle,
                                                      std::uint32_t level,
                                                      std::size_t buffer_bytes) {
  return driver_in(handle, nullptr, level, buffer_bytes);
}

platform::Win32Error Win32Spooler::get_server_environment(std::u16string* environment) {
  if (environment == nullptr) return platform::kErrorInvalidParameter;
  environment->clear();
  HANDLE opened = nullptr;
  SetLastError(0);
  if (!OpenPrinterW(nullptr, &opened, nullptr)) return last_error_or(platform::kErrorInvalidHandle);
  ScopedPrinterHandle server(opened);
  wchar_t answer[64] = {};
  DWORD type = 0;
  DWORD needed = 0;
  const DWORD error =
      GetPrinterDataW(server.get(), const_cast<LPWSTR>(SPLREG_ARCHITECTURE), &type,
                      reinterpret_cast<BYTE*>(answer), sizeof answer - sizeof answer[0], &needed);
  server.reset();
  if (error == ERROR_SUCCESS && type == REG_SZ && answer[0] != 0) {
    answer[63] = 0;
    *environment = from_wide(answer);
    return platform::kErrorSuccess;
  }
  // A server that keeps no such value (Wine's answers ERROR_FILE_NOT_FOUND)
  // runs on the machine's own processor, as the local spooler does.
  SYSTEM_INFO system{};
  GetNativeSystemInfo(&system);
  switch (system.wProcessorArchitecture) {
    case PROCESSOR_ARCHITECTURE_AMD64:
      *environment = platform::kEnvironmentX64;
      break;
    case PROCESSOR_ARCHITECTURE_INTEL:
      *environment = platform::kEnvironmentX86;
      break;
    default:
      return error != ERROR_SUCCESS ? static_cast<platform::Win32Error>(error)
                                    : platform::kErrorInvalidEnvironment;
  }
  return platform::kErrorSuccess;
}

platform::Win32Error Win32Spooler::get_printer_driver_native(platform::PrinterHandle handle,
                                                             std::uint32_t level,
                                                             std::size_t buffer_bytes) {
  // A server that does not name its environment is taken for the 64-bit
  // one, the only other environment a 32-bit caller meets.
  std::u16string environment;
  if (get_server_environment(&environment) != platform::kErrorSuccess)
    environment = platform::kEnvironmentX64;
  const std::wstring name = to_wide(environment);
  return driver_in(handle, name.c_str(), level, buffer_bytes);
}

platform::Win32Error Win32Spooler::driver_in(platform::PrinterHandle handle,
                                             const wchar_t* environment, std::uint32_t level,
                                             std::size_t buffer_bytes) {
  if (!acceptable_size(buffer_bytes)) return platform::kErrorInvalidParameter;
  std::vector<std::uint64_t> buffer;
  try {
    buffer = aligned_buffer(buffer_bytes);
  } catch (const std::bad_alloc&) {
    return platform::kErrorNotEnoughMemory;
  }
  DWORD needed = 0;
  SetLastError(0);
  if (!GetPrinterDriverW(reinterpret_cast<HANDLE>(handle), const_cast<LPWSTR>(environment), level,
                         bytes_or_null(buffer, buffer_bytes), static_cast<DWORD>(buffer_bytes),
                         &needed)) {
    return last_error_or(platform::kErrorInvalidParameter);
  }
  return platform::kErrorSuccess;
}

platform::Win32Error Win32Spooler::get_printer(platform::PrinterHandle handle,
                                               platform::PrinterInfo2* info) {
  if (info == nullptr) return platform::kErrorInvalidParameter;
  *info = {};
  try {
    // The record can grow between the size query and the read.
    return call_growing(
        kMaxBufferBytes, platform::kErrorInsufficientBuffer, [&](std::size_t buffer_bytes) {
          std::vector<std::uint64_t> buffer = aligned_buffer(buffer_bytes);
          DWORD needed = 0;
          SetLastError(0);
          if (!GetPrinterW(reinterpret_cast<HANDLE>(handle), 2, bytes_or_null(buffer, buffer_bytes),
                           static_cast<DWORD>(buffer_bytes), &needed))
            return winspool_step(GetLastError(), needed);
          if (buffer_bytes < sizeof(PRINTER_INFO_2W))
            return GrowStep::done(platform::kErrorInvalidParameter);
          *info = printer_info_of(*reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data()));
          return GrowStep::done(platform::kErrorSuccess);
        });
  } catch (const std::bad_alloc&) {
    *info = {};
    return platform::kErrorNotEnoughMemory;
  }
}

platform::Win32Error Win32Spooler::purge_printer(platform::PrinterHandle handle) {
  SetLastError(0);
  if (!SetPrinterW(reinterpret_cast<HANDLE>(handle), 0, nullptr, PRINTER_CONTROL_PURGE))
    return last_error_or(platform::kErrorInvalidHandle);
  return platform::kErrorSuccess;
}

platform::Win32Error Win32Spooler::delete_printer(platform::PrinterHandle handle) {
  SetLastError(0);
  if (!DeletePrinter(reinterpret_cast<HANDLE>(handle)))
    return last_error_or(platform::kErrorInvalidHandle);
  return platform::kErrorSuccess;
}

platform::Win32Error Win32Spooler::enum_printer_drivers(std::vector<std::u16string>* names) {
  return enum_printer_drivers_in(u"", names);
}

platform::Win32Error Win32Spooler::enum_printer_drivers_in(std::u16string_view environment,
                                                           std::vector<std::u16string>* names) {
  if (names == nullptr) return platform::kErrorInvalidParameter;
  names->clear();
  std::wstring env = to_wide(environment);
  LPWSTR env_arg = env.empty() ? nullptr : env.data();
  try {
    // The list can grow between the size query and the read.
    return call_growing(
        kMaxBufferBytes, platform::kErrorInsufficientBuffer, [&](std::size_t buffer_bytes) {
          std::vector<std::uint64_t> buffer = aligned_buffer(buffer_bytes);
          DWORD needed = 0;
          DWORD returned = 0;
          SetLastError(0);
          if (!EnumPrinterDriversW(nullptr, env_arg, 6, bytes_or_null(buffer, buffer_bytes),
                                   static_cast<DWORD>(buffer_bytes), &needed, &returned)) {
            const DWORD error = GetLastError();
            // No drivers at all: the size query asks for nothing.
            if (error == ERROR_INSUFFICIENT_BUFFER && needed == 0)
              return GrowStep::done(platform::kErrorSuccess);
            return winspool_step(error, needed);
          }
          if (returned == 0 || buffer_bytes == 0) return GrowStep::done(platform::kErrorSuccess);
          if (returned > buffer_bytes / sizeof(DRIVER_INFO_6W))
            return GrowStep::done(platform::kErrorInvalidParameter);
          const auto* info = reinterpret_cast<const DRIVER_INFO_6W*>(buffer.data());
          for (DWORD i = 0; i < returned; ++i) names->push_back(from_wide(info[i].pName));
          return GrowStep::done(platform::kErrorSuccess);
        });
  } catch (const std::bad_alloc&) {
    names->clear();
    return platform::kErrorNotEnoughMemory;
  }
}

platform::Win32Error Win32Spooler::delete_printer_driver(std::u16string_view name,
                                                         std::uint32_t delete_flags,
                                                         std::uint32_t version) {
  return delete_printer_driver_in(u"", name, delete_flags, version);
}

platform::Win32Error Win32Spooler::delete_printer_driver_in(std::u16string_view environment,
                                                            std::u16string_view name,
                                                            std::uint32_t delete_flags,
                                                            std::uint32_t version) {
  std::u16string driver(name);
  std::wstring env = to_wide(environment);
  SetLastError(0);
  if (!DeletePrinterDriverExW(nullptr, env.empty() ? nullptr : env.data(),
                              const_cast<LPWSTR>(as_wide(driver)), delete_flags, version))
    return last_error_or(platform::kErrorUnknownPrinterDriver);
  return platform::kErrorSuccess;
}

}  // namespace platform_win32
