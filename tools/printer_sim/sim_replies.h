// The bytes a simulated printer sends: its discovery answer and its reply on
// the administration channel, each as its configuration asks (well-behaved,
// or cut, malformed, oversized).
#pragma once

#include <cstdint>
#include <vector>

#include "sim_config.h"

namespace printer_sim {

// The administration reply: the 28-byte header and the 516-byte encoder
// report, resized to the configured reply size when one is given.
std::vector<std::uint8_t> admin_reply(const PrinterConfig& printer);

// The discovery answer datagram in UTF-16LE.
std::vector<std::uint8_t> discovery_answer(const PrinterConfig& printer);

}  // namespace printer_sim
