// The support tool's printout of a decoded status record and its panel.
#pragma once

#include <string>

#include "monitor/status_poll.h"
#include "monitor/status_record.h"

namespace tessaly_status {

// The record's fields with the bits named, then the panel as the printer
// shows it (16 cells a line) and the third line. UTF-8, ends with a newline.
std::string describe_record(const tessaly::PrinterStatusRecord& record);

// One line about a queue that got no record.
std::string describe_skip(const tessaly::PollSkip& skip);

}  // namespace tessaly_status
