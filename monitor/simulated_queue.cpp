#include "monitor/simulated_queue.h"

namespace tessaly {
namespace {

void put_word(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t word) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(word >> (8 * i));
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

void add_simulated_queue(platform::sim::SimWindows& windows, const SimulatedQueue& queue) {
  platform::PrinterInfo2 info;
  info.printer_name = queue.queue_name;
  info.port_name = u"USB001";
  info.driver_name = queue.driver_name;
  info.attributes = queue.offline ? platform::kPrinterAttributeWorkOffline : 0;
  windows.spooler.add_queue(info);
  // The queue's driver, as Plug and Play installs it: for the print
  // server's own environment, x64 on 64-bit Windows.
  const bool windows64 = windows.system.wow64 || windows.system.process_64bit;
  const char16_t* environment = windows64 ? platform::kEnvironmentX64 : platform::kEnvironmentX86;
  if (!windows.spooler.has_driver_in(queue.driver_name, environment))
    windows.spooler.add_driver(queue.driver_name, environment);

  auto& spooler = windows.spooler;
  const std::u16string& name = queue.queue_name;
  spooler.set_driver_string(name, u"PrinterID", queue.printer_id);
  spooler.set_driver_string(name, u"PrinterSerial", queue.serial);
  std::vector<std::uint8_t> version(queue.firmware.begin(), queue.firmware.end());
  version.push_back(static_cast<std::uint8_t>(queue.firmware_end));
  version.push_back(0);
  spooler.set_driver_data(name, u"PrinterVersion", platform::kRegBinary, std::move(version));
  spooler.set_driver_data(
      name, u"PrinterStatus", platform::kRegBinary,
      printer_status_bytes(queue.status_main, queue.status_error, queue.ribbon_left));
  spooler.set_driver_dword(name, u"PrinterType", queue.printer_type);
  spooler.set_driver_dword(name, u"LockType", queue.lock_type);
  spooler.set_driver_data(name, u"LaminatorStatus", platform::kRegBinary,
                          laminator_status_bytes(queue.lam_status, queue.lam_error));
}

}  // namespace tessaly
