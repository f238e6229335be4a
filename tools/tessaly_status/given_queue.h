// The print queue given on the tool's command line, standing in for the
// spooler and the registry the monitor reads: one queue (or none) with its
// driver data, read-only apart from the values the tool sets itself.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/spooler.h"
#include "queue_driver_data.h"

namespace tessaly_status {

class GivenQueue : public platform::Spooler, public platform::Registry {
 public:
  // No queue: the spooler lists none.
  GivenQueue() = default;
  // The queue with every value its driver publishes.
  explicit GivenQueue(const tessaly::QueueDriverData& queue);

  // Adds or replaces one driver data value.
  void put_value(std::u16string_view name, std::uint32_t type, std::vector<std::uint8_t> data);

  // --- Spooler ---
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
  platform::Win32Error get_printer(platform::PrinterHandle handle,
                                   platform::PrinterInfo2* info) override;
  platform::Win32Error get_server_environment(std::u16string* environment) override;
  platform::Win32Error enum_printer_drivers_in(std::u16string_view environment,
                                               std::vector<std::u16string>* names) override;
  platform::Win32Error delete_printer_driver_in(std::u16string_view environment,
                                                std::u16string_view name,
                                                std::uint32_t delete_flags,
                                                std::uint32_t version) override;

  // --- Registry: the queue's driver data key only ---
  platform::Win32Error open_key(platform::RegKey parent, std::u16string_view subkey,
                                std::uint32_t access, platform::RegKey* key) override;
  platform::Win32Error create_key(platform::RegKey parent, std::u16string_view subkey,
                                  std::uint32_t access, platform::RegKey* key) override;
  platform::Win32Error close_key(platform::RegKey key) override;
  platform::Win32Error query_value(platform::RegKey key, std::u16string_view name,
                                   std::size_t max_bytes, platform::RegistryValue* value) override;
  platform::Win32Error set_value(platform::RegKey key, std::u16string_view name, std::uint32_t type,
                                 const void* data, std::size_t size) override;
  platform::Win32Error delete_value(platform::RegKey key, std::u16string_view name) override;
  platform::Win32Error delete_key(platform::RegKey parent, std::u16string_view subkey) override;
  platform::Win32Error delete_tree(platform::RegKey parent, std::u16string_view subkey) override;
  platform::Win32Error enum_subkey(platform::RegKey key, std::uint32_t index,
                                   std::u16string* name) override;
  platform::Win32Error enum_value(platform::RegKey key, std::uint32_t index,
                                  std::u16string* name) override;

 private:
  const tessaly::DriverDataValue* find(std::u16string_view name) const;

  std::optional<platform::PrinterInfo2> queue_;
  std::vector<tessaly::DriverDataValue> values_;
};

}  // namespace tessaly_status
