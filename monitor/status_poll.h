// The status poll: reads the maker's print queues and the values their
// driver publishes into status records, and picks up the driver's error text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "monitor/display_state.h"
#include "monitor/status_record.h"
#include "platform/platform.h"
#include "platform/registry.h"
#include "platform/spooler.h"

namespace tessaly {

// The printer driver names the monitor watches, indexed by model index.
// Rows 6 and 7 repeat rows 0 and 1: a queue never matches them by name, only
// through the serial number.
extern const char16_t* const kMonitoredDriverNames[kModelTableSize];

// Model index of a driver name (exact, case-sensitive, first row that
// matches), or -1 when the queue is not one of the maker's.
int monitored_model_index(std::u16string_view driver_name);

// Serials with "CH" at characters 2 and 3 mark the CH variants of models 0
// and 1 (rows 6 and 7); other models are not changed.
int serial_marked_model(int model_index, std::u16string_view serial);

// A serial starting with "3" belongs to a printer with a one-key panel.
bool serial_has_two_key_panel(std::u16string_view serial);

// Key under HKEY_LOCAL_MACHINE that holds a queue's driver data.
std::u16string driver_data_key(std::u16string_view queue_name);

// Why a monitored queue got no record in a poll; for the support tool, the
// monitor itself does not report these.
struct PollSkip {
  std::u16string queue_name;
  const char* what = "";  // the call or value that failed
  platform::Win32Error error = 0;
};

struct PollDiagnostics {
  platform::Win32Error enumeration_error = 0;
  std::vector<PollSkip> skipped;
};

// Rebuilds `snapshot` from the local spooler: one record per monitored queue
// that passes every read, at most kMaxRecords, in the spooler's order, each
// with its panel text. Applies a pending switch to Off (then no queue gets a
// record) and moves a driver error text into `display`.
void poll_printer_status(platform::Spooler& spooler, platform::Registry& registry,
                         DisplayState& display, StatusSnapshot& snapshot,
                         PollDiagnostics* diagnostics = nullptr);

inline void poll_printer_status(platform::Platform& platform, DisplayState& display,
                                StatusSnapshot& snapshot) {
  poll_printer_status(platform.spooler, platform.registry, display, snapshot);
}

}  // namespace tessaly
