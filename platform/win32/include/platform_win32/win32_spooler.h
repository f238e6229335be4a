// The print spooler over winspool.
#pragma once

#include "platform/print_server.h"
#include "platform/spooler.h"

namespace platform_win32 {

class Win32Spooler : public platform::Spooler, public platform::PrintServer {
 public:
  Win32Spooler() = default;

  platform::Win32Error enum_local_printers(std::vector<platform::PrinterInfo2>* printers) override;
  platform::Win32Error open_printer(std::u16string_view name,
                                    const platform::PrinterDefaults* defaults,
                                    platform::PrinterHandle* handle) override;
  platform::Win32Error close_printer(platform::PrinterHandle handle) override;
  platform::Win32Error get_printer_data(platform::PrinterHandle handle,
                                        std::u16string_view value_name, std::size_t max_bytes,
                                        platform::PrinterDataValue* value) override;
  platform::Win32Error get_printer_driver(platform::PrinterHandle handle, std::uint32_t level,
                                          std::size_t buffer_bytes) override;
  platform::Win32Error purge_printer(platform::PrinterHandle handle) override;
  platform::Win32Error delete_printer(platform::PrinterHandle handle) override;
  platform::Win32Error enum_printer_drivers(std::vector<std::u16string>* names) override;
  platform::Win32Error delete_printer_driver(std::u16string_view name, std::uint32_t delete_flags,
                                             std::uint32_t version) override;
  platform::Win32Error get_printer_driver_native(platform::PrinterHandle handle,
                                                 std::uint32_t level,
                                                 std::size_t buffer_bytes) override;
  platform::Win32Error get_printer(platform::PrinterHandle handle,
                                   platform::PrinterInfo2* info) override;
  platform::Win32Error get_server_environment(std::u16string* environment) override;
  platform::Win32Error enum_printer_drivers_in(std::u16string_view environment,
                                               std::vector<std::u16string>* names) override;
  platform::Win32Error delete_printer_driver_in(std::u16string_view environment,
                                                std::u16string_view name,
                                                std::uint32_t delete_flags,
                                                std::uint32_t version) override;

  // PrintServer (win32_print_server.cpp).
  platform::Win32Error open_print_server(platform::PrinterHandle* handle) override;
  platform::Win32Error enum_forms(platform::PrinterHandle server, std::size_t buffer_bytes,
                                  std::vector<platform::FormInfo1>* forms) override;
  platform::Win32Error add_form(platform::PrinterHandle server,
                                const platform::FormInfo1& form) override;
  platform::Win32Error delete_form(platform::PrinterHandle server,
                                   std::u16string_view name) override;
  platform::Win32Error delete_port(std::u16string_view name) override;
  platform::Win32Error open_xcv_monitor(std::u16string_view monitor, std::uint32_t access,
                                        platform::PrinterHandle* handle) override;
  platform::Win32Error xcv_data(platform::PrinterHandle xcv, std::u16string_view command,
                                const void* input, std::uint32_t input_bytes,
                                std::uint32_t output_capacity, std::uint32_t* needed,
                                std::uint32_t* status) override;
  platform::Win32Error add_printer(const platform::NewPrinter& printer,
                                   platform::PrinterHandle* handle) override;

 private:
  platform::Win32Error driver_in(platform::PrinterHandle handle, const wchar_t* environment,
                                 std::uint32_t level, std::size_t buffer_bytes);
  platform::Win32Error enumerate(std::vector<platform::PrinterInfo2>* printers);
  platform::Win32Error read_data(platform::PrinterHandle handle, std::u16string_view value_name,
                                 std::size_t max_bytes, platform::PrinterDataValue* value);
};

}  // namespace platform_win32
