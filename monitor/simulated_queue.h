// A print queue of the maker's driver in the simulated Windows, with the
// driver data the printer driver would publish for it. Used by the tests,
// the benchmark and the support tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform_sim/sim_windows.h"

namespace tessaly {

struct SimulatedQueue {
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

// Adds the queue to the simulated spooler and publishes every value.
void add_simulated_queue(platform::sim::SimWindows& windows, const SimulatedQueue& queue);

}  // namespace tessaly
