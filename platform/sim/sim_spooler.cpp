#include "platform_sim/sim_spooler.h"

#include <cstring>

#include "platform/text.h"

namespace platform::sim {

SimSpooler::SimSpooler(Faults& faults, SimRegistry& registry)
    : faults_(faults), registry_(registry) {}

std::u16string SimSpooler::driver_data_key(std::u16string_view queue) const {
  return std::u16string(kPrintersKey) + u"\\" + std::u16string(queue) + u"\\PrinterDriverData";
}

Win32Error SimSpooler::enum_local_printers(std::vector<PrinterInfo2>* printers) {
  if (auto e = faults_.check("EnumPrintersW")) return e;
  std::lock_guard lock(mutex_);
  *printers = queues_;
  return kErrorSuccess;
}

Win32Error SimSpooler::open_printer(std::u16string_view name, const PrinterDefaults*,
                                    PrinterHandle* handle) {
  if (auto e = faults_.check("OpenPrinterW", name)) return e;
  std::lock_guard lock(mutex_);
  for (const auto& q : queues_) {
    if (equals_ignore_ascii_case(q.printer_name, name)) {
      const PrinterHandle h = next_handle_++;
      handles_[h] = q.printer_name;
      *handle = h;
      return kErrorSuccess;
    }
  }
  return kErrorInvalidPrinterName;
}

Win32Error SimSpooler::close_printer(PrinterHandle handle) {
  if (auto e = faults_.check("ClosePrinter")) return e;
  std::lock_guard lock(mutex_);
  return handles_.erase(handle) ? kErrorSuccess : kErrorInvalidHandle;
}

Win32Error SimSpooler::get_printer_data(PrinterHandle handle, std::u16string_view value_name,
                                        std::size_t max_bytes, PrinterDataValue* value) {
  if (auto e = faults_.check("GetPrinterDataW", value_name)) return e;
  std::u16string queue;
  {
    std::lock_guard lock(mutex_);
    auto it = handles_.find(handle);
    if (it == handles_.end()) return kErrorInvalidHandle;
    queue = it->second;
  }
  RegistryValue v;
  if (!registry_.value(kHkeyLocalMachine, driver_data_key(queue), value_name, &v))
    return kErrorFileNotFound;
  if (v.data.size() > max_bytes) return kErrorMoreData;
  value->type = v.type;
  value->data = std::move(v.data);
  return kErrorSuccess;
}

Win32Error SimSpooler::get_printer_driver(PrinterHandle handle, std::uint32_t level,
                                          std::size_t buffer_bytes) {
  if (auto e = faults_.check("GetPrinterDriverW")) return e;
  std::lock_guard lock(mutex_);
  if (!handles_.count(handle)) return kErrorInvalidHandle;
  if (level < 1 || level > 8) return kErrorInvalidLevel;
  if (buffer_bytes < driver_info_size_) return kErrorInsufficientBuffer;
  return kErrorSuccess;
}

void SimSpooler::add_queue(const PrinterInfo2& info) {
  {
    std::lock_guard lock(mutex_);
    queues_.push_back(info);
  }
  RegKey key = 0;
  if (registry_.create_key(kHkeyLocalMachine, driver_data_key(info.printer_name), kKeyAllAccess,
                           &key) == kErrorSuccess)
    registry_.close_key(key);
}

bool SimSpooler::remove_queue(std::u16string_view name) {
  std::lock_guard lock(mutex_);
  for (auto it = queues_.begin(); it != queues_.end(); ++it) {
    if (equals_ignore_ascii_case(it->printer_name, name)) {
      queues_.erase(it);
      return true;
    }
  }
  return false;
}

bool SimSpooler::has_queue(std::u16string_view name) const {
  std::lock_guard lock(mutex_);
  for (const auto& q : queues_)
    if (equals_ignore_ascii_case(q.printer_name, name)) return true;
  return false;
}

bool SimSpooler::set_attributes(std::u16string_view name, std::uint32_t attributes) {
  std::lock_guard lock(mutex_);
  for (auto& q : queues_) {
    if (equals_ignore_ascii_case(q.printer_name, name)) {
      q.attributes = attributes;
      return true;
    }
  }
  return false;
}

std::vector<PrinterInfo2> SimSpooler::queues() const {
  std::lock_guard lock(mutex_);
  return queues_;
}

void SimSpooler::set_driver_data(std::u16string_view queue, std::u16string_view value_name,
                                 std::uint32_t type, std::vector<std::uint8_t> data) {
  registry_.put_value(kHkeyLocalMachine, driver_data_key(queue), value_name, type,
                      std::move(data));
}

void SimSpooler::set_driver_dword(std::u16string_view queue, std::u16string_view value_name,
                                  std::uint32_t value) {
  registry_.put_dword(kHkeyLocalMachine, driver_data_key(queue), value_name, value);
}

void SimSpooler::set_driver_string(std::u16string_view queue, std::u16string_view value_name,
                                   std::u16string_view text) {
  registry_.put_string(kHkeyLocalMachine, driver_data_key(queue), value_name, text);
}

std::size_t SimSpooler::open_handles() const {
  std::lock_guard lock(mutex_);
  return handles_.size();
}

}  // namespace platform::sim
