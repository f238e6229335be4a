#include "queue_driver_data.h"

#include "platform/registry.h"

namespace tessaly {
namespace {

void put_word(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t word) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(word >> (8 * i));
}

std::vector<std::uint8_t> dword_bytes(std::uint32_t word) {
  std::vector<std::uint8_t> bytes(4, 0);
  put_word(bytes, 0, word);
  return bytes;
}

}  // namespace

std::vector<std::uint8_t> printer_status_bytes(std::uint32_t status_main,
                                               std::uint32_t status_error,
                                               std::uint16_t ribbon_left) {
  std::vector<std::uint8_t> bytes(12, 0);
  put_word(bytes, 0, status_main);
  put_word(bytes, 4, status_error);
  bytes[10] = static_cast<std::uint8_t>(ribbon_left);
  bytes[11] = static_cast<std::uint8_t>(ribbon_left >> 8);
  return bytes;
}

std::vector<std::uint8_t> laminator_status_bytes(std::uint32_t lam_status,
                                                 std::uint32_t lam_error) {
  std::vector<std::uint8_t> bytes(8, 0);
  put_word(bytes, 0, lam_status);
  put_word(bytes, 4, lam_error);
  return bytes;
}

std::vector<std::uint8_t> string_value_bytes(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

std::vector<DriverDataValue> driver_data_values(const QueueDriverData& queue) {
  std::vector<std::uint8_t> version(queue.firmware.begin(), queue.firmware.end());
  version.push_back(static_cast<std::uint8_t>(queue.firmware_end));
  version.push_back(0);
  return {
      {u"PrinterID", platform::kRegSz, string_value_bytes(queue.printer_id)},
      {u"PrinterSerial", platform::kRegSz, string_value_bytes(queue.serial)},
      {u"PrinterVersion", platform::kRegBinary, std::move(version)},
      {u"PrinterStatus", platform::kRegBinary,
       printer_status_bytes(queue.status_main, queue.status_error, queue.ribbon_left)},
      {u"PrinterType", platform::kRegDword, dword_bytes(queue.printer_type)},
      {u"LockType", platform::kRegDword, dword_bytes(queue.lock_type)},
      {u"LaminatorStatus", platform::kRegBinary,
       laminator_status_bytes(queue.lam_status, queue.lam_error)},
  };
}

}  // namespace tessaly
