// One print queue of the maker's driver and the driver data the printer
// driver publishes for it ("PrinterID", "PrinterStatus", ...), as the values'
// types and bytes. The support tool decodes such a queue; the tests and the
// benchmark publish it in the simulated spooler.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly {

struct QueueDriverData {
  std::u16string queue_name;
  std::u16string driver_name = u"Orvane ZELKO-70 Card Printer";
  bool offline = false;
  std::u16string printer_id = u"ZELKO-0001";
  std::u16string serial = u"12AB3456";
  // The firmware version; the driver publishes it as 8-bit text followed by
  // one closing character.
  std::string firmware = "1.00.61";
  char firmware_end = ' ';
  std::uint32_t status_main = 0;
  std::uint32_t status_error = 0;
  std::uint16_t ribbon_left = 100;
  std::uint32_t printer_type = 0;
  std::uint32_t lock_type = 0;
  std::uint32_t lam_status = 0;
  std::uint32_t lam_error = 0;
};

// The 12 bytes of "PrinterStatus" and the 8 of "LaminatorStatus".
std::vector<std::uint8_t> printer_status_bytes(std::uint32_t status_main,
                                               std::uint32_t status_error,
                                               std::uint16_t ribbon_left);
std::vector<std::uint8_t> laminator_status_bytes(std::uint32_t lam_status, std::uint32_t lam_error);
// A REG_SZ's bytes: UTF-16 little-endian with the terminating zero.
std::vector<std::uint8_t> string_value_bytes(std::u16string_view text);

struct DriverDataValue {
  std::u16string name;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

// Every value the driver publishes for the queue, in the order it writes
// them.
std::vector<DriverDataValue> driver_data_values(const QueueDriverData& queue);

}  // namespace tessaly
