#include "given_queue.h"

#include "monitor/status_poll.h"
#include "platform/util/text.h"

namespace tessaly_status {
namespace {

constexpr platform::PrinterHandle kQueueHandle = 1;
constexpr platform::RegKey kDriverDataKey = 1;

}  // namespace

GivenQueue::GivenQueue(const tessaly::QueueDriverData& queue)
    : values_(tessaly::driver_data_values(queue)) {
  platform::PrinterInfo2 info;
  info.printer_name = queue.queue_name;
  info.port_name = u"USB001";
  info.driver_name = queue.driver_name;
  info.attributes = queue.offline ? platform::kPrinterAttributeWorkOffline : 0;
  queue_ = std::move(info);
}

void GivenQueue::put_value(std::u16string_view name, std::uint32_t type,
                           std::vector<std::uint8_t> data) {
  for (auto& value : values_) {
    if (platform::equals_ignore_ascii_case(value.name, name)) {
      value.type = type;
      value.data = std::move(data);
      return;
    }
  }
  values_.push_back({std::u16string(name), type, std::move(data)});
}

const tessaly::DriverDataValue* GivenQueue::find(std::u16string_view name) const {
  for (const auto& value : values_)
    if (platform::equals_ignore_ascii_case(value.name, name)) return &value;
  return nullptr;
}

platform::Win32Error GivenQueue::enum_local_printers(
    std::vector<platform::PrinterInfo2>* printers) {
  printers->clear();
  if (queue_) printers->push_back(*queue_);
  return platform::kErrorSuccess;
}

platform::Win32Error GivenQueue::open_printer(std::u16string_view name,
                                              const platform::PrinterDefaults*,
                                              platform::PrinterHandle* handle) {
  *handle = 0;
  if (!queue_ || !platform::equals_ignore_ascii_case(queue_->printer_name, name))
    return platform::kErrorInvalidPrinterName;
  *handle = kQueueHandle;
  return platform::kErrorSuccess;
}

platform::Win32Error GivenQueue::close_printer(platform::PrinterHandle handle) {
  return handle == kQueueHandle ? platform::kErrorSuccess : platform::kErrorInvalidHandle;
}

platform::Win32Error GivenQueue::get_printer_data(platform::PrinterHandle handle,
                                                  std::u16string_view value_name,
                                                  std::size_t max_bytes,
                                                  platform::PrinterDataValue* value) {
  value->type = platform::kRegNone;
  value->data.clear();
  if (handle != kQueueHandle) return platform::kErrorInvalidHandle;
  const tessaly::DriverDataValue* found = find(value_name);
  if (found == nullptr) return platform::kErrorFileNotFound;
  if (found->data.size() > max_bytes) return platform::kErrorMoreData;
  value->type = found->type;
  value->data = found->data;
  return platform::kErrorSuccess;
}

// The queue's driver is installed for every environment asked.
platform::Win32Error GivenQueue::get_printer_driver(platform::PrinterHandle handle,
                                                    std::uint32_t level, std::size_t) {
  if (handle != kQueueHandle) return platform::kErrorInvalidHandle;
  if (level < 1 || level > 8) return platform::kErrorInvalidLevel;
  return platform::kErrorSuccess;
}

platform::Win32Error GivenQueue::purge_printer(platform::PrinterHandle) {
  return platform::kErrorAccessDenied;
}

platform::Win32Error GivenQueue::delete_printer(platform::PrinterHandle) {
  return platform::kErrorAccessDenied;
}

platform::Win32Error GivenQueue::enum_printer_drivers(std::vector<std::u16string>* names) {
  return enum_printer_drivers_in(u"", names);
}

platform::Win32Error GivenQueue::delete_printer_driver(std::u16string_view, std::uint32_t,
                                                       std::uint32_t) {
  return platform::kErrorAccessDenied;
}

platform::Win32Error GivenQueue::get_printer(platform::PrinterHandle handle,
                                             platform::PrinterInfo2* info) {
  if (handle != kQueueHandle) return platform::kErrorInvalidHandle;
  *info = *queue_;
  return platform::kErrorSuccess;
}

platform::Win32Error GivenQueue::get_server_environment(std::u16string* environment) {
  *environment = platform::kEnvironmentX86;
  return platform::kErrorSuccess;
}

platform::Win32Error GivenQueue::enum_printer_drivers_in(std::u16string_view,
                                                         std::vector<std::u16string>* names) {
  names->clear();
  if (queue_) names->push_back(queue_->driver_name);
  return platform::kErrorSuccess;
}

platform::Win32Error GivenQueue::delete_printer_driver_in(std::u16string_view, std::u16string_view,
                                                          std::uint32_t, std::uint32_t) {
  return platform::kErrorAccessDenied;
}

platform::Win32Error GivenQueue::open_key(platform::RegKey parent, std::u16string_view subkey,
                                          std::uint32_t, platform::RegKey* key) {
  *key = 0;
  // As Windows does, a key name longer than 255 characters is refused: a
  // queue with such a name has its error text read through the spooler.
  for (std::size_t start = 0; start <= subkey.size();) {
    std::size_t end = subkey.find(u'\\', start);
    if (end == std::u16string_view::npos) end = subkey.size();
    if (end - start > 255) return platform::kErrorInvalidParameter;
    start = end + 1;
  }
  if (!queue_ || parent != platform::kHkeyLocalMachine ||
      !platform::equals_ignore_ascii_case(subkey, tessaly::driver_data_key(queue_->printer_name)))
    return platform::kErrorFileNotFound;
  *key = kDriverDataKey;
  return platform::kErrorSuccess;
}

platform::Win32Error GivenQueue::create_key(platform::RegKey, std::u16string_view, std::uint32_t,
                                            platform::RegKey* key) {
  *key = 0;
  return platform::kErrorAccessDenied;
}

platform::Win32Error GivenQueue::close_key(platform::RegKey key) {
  return key == kDriverDataKey ? platform::kErrorSuccess : platform::kErrorInvalidHandle;
}

platform::Win32Error GivenQueue::query_value(platform::RegKey key, std::u16string_view name,
                                             std::size_t max_bytes,
                                             platform::RegistryValue* value) {
  if (key != kDriverDataKey) return platform::kErrorInvalidHandle;
  const tessaly::DriverDataValue* found = find(name);
  if (found == nullptr) return platform::kErrorFileNotFound;
  if (found->data.size() > max_bytes) return platform::kErrorMoreData;
  value->type = found->type;
  value->data = found->data;
  return platform::kErrorSuccess;
}

platform::Win32Error GivenQueue::set_value(platform::RegKey, std::u16string_view, std::uint32_t,
                                           const void*, std::size_t) {
  return platform::kErrorAccessDenied;
}

platform::Win32Error GivenQueue::delete_value(platform::RegKey, std::u16string_view) {
  return platform::kErrorAccessDenied;
}

platform::Win32Error GivenQueue::delete_key(platform::RegKey, std::u16string_view) {
  return platform::kErrorAccessDenied;
}

platform::Win32Error GivenQueue::delete_tree(platform::RegKey, std::u16string_view) {
  return platform::kErrorAccessDenied;
}

platform::Win32Error GivenQueue::enum_subkey(platform::RegKey, std::uint32_t, std::u16string*) {
  return platform::kErrorNoMoreItems;
}

platform::Win32Error GivenQueue::enum_value(platform::RegKey, std::uint32_t, std::u16string*) {
  return platform::kErrorNoMoreItems;
}

}  // namespace tessaly_status
