// An in-memory print spooler. Queues keep their driver data where Windows
// keeps it, under the queue's PrinterDriverData key in the (simulated)
// registry, so the registry and GetPrinterDataW see the same values.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/spooler.h"
#include "platform_sim/faults.h"
#include "platform_sim/sim_registry.h"

namespace platform::sim {

inline constexpr char16_t kPrintersKey[] = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";

class SimSpooler : public Spooler {
 public:
  SimSpooler(Faults& faults, SimRegistry& registry);

  Win32Error enum_local_printers(std::vector<PrinterInfo2>* printers) override;
  Win32Error open_printer(std::u16string_view name, const PrinterDefaults* defaults,
                          PrinterHandle* handle) override;
  Win32Error close_printer(PrinterHandle handle) override;
  Win32Error get_printer_data(PrinterHandle handle, std::u16string_view value_name,
                              std::size_t max_bytes, PrinterDataValue* value) override;
  Win32Error get_printer_driver(PrinterHandle handle, std::uint32_t level,
                                std::size_t buffer_bytes) override;
  Win32Error purge_printer(PrinterHandle handle) override;
  Win32Error delete_printer(PrinterHandle handle) override;
  Win32Error enum_printer_drivers(std::vector<std::u16string>* names) override;
  Win32Error delete_printer_driver(std::u16string_view name, std::uint32_t delete_flags,
                                   std::uint32_t version) override;

  // Whether the Spooler service runs: while it does not, every call fails
  // with RPC_S_SERVER_UNAVAILABLE, as winspool's do. Set by the simulated
  // Windows to ask its service manager.
  std::function<bool()> service_running;
  // The caller's default environment: "Windows NT x86" for a 32-bit
  // program, "Windows x64" for a 64-bit one.
  std::function<std::u16string()> default_environment;

  struct Driver {
    std::u16string name;
    std::u16string environment;
    std::uint32_t version = 3;
  };
  void add_driver(std::u16string_view name, std::u16string_view environment,
                  std::uint32_t version = 3);
  std::vector<Driver> drivers() const;
  bool has_driver(std::u16string_view name) const;
  // Jobs purged from a queue so far (by queue name).
  int purges(std::u16string_view queue) const;

  // Test set-up and inspection.
  void add_queue(const PrinterInfo2& info);
  bool remove_queue(std::u16string_view name);
  bool has_queue(std::u16string_view name) const;
  std::vector<PrinterInfo2> queues() const;
  // PRINTER_INFO_2 attributes of a queue (work offline); false when there is
  // no such queue.
  bool set_attributes(std::u16string_view name, std::uint32_t attributes);
  void set_driver_data(std::u16string_view queue, std::u16string_view value_name,
                       std::uint32_t type, std::vector<std::uint8_t> data);
  void set_driver_dword(std::u16string_view queue, std::u16string_view value_name,
                        std::uint32_t value);
  void set_driver_string(std::u16string_view queue, std::u16string_view value_name,
                         std::u16string_view text);
  // Bytes GetPrinterDriverW needs at level 6 (a smaller buffer fails with 122).
  void set_driver_info_size(std::size_t bytes) { driver_info_size_ = bytes; }
  std::size_t open_handles() const;
  std::u16string driver_data_key(std::u16string_view queue) const;

 private:
  Faults& faults_;
  SimRegistry& registry_;
  mutable std::mutex mutex_;
  struct Handle {
    std::u16string queue;
    std::uint32_t access;
  };
  Win32Error unavailable() const;
  std::u16string environment() const;

  std::vector<PrinterInfo2> queues_;
  std::vector<Driver> drivers_;
  std::map<std::u16string, int> purges_;
  std::map<PrinterHandle, Handle> handles_;
  PrinterHandle next_handle_ = 0x2000;
  std::size_t driver_info_size_ = 1024;
};

}  // namespace platform::sim
