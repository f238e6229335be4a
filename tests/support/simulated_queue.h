// A print queue of the maker's driver in the simulated Windows, with the
// driver data the printer driver would publish for it. Used by the tests and
// the benchmark.
#pragma once

#include "platform_sim/sim_windows.h"
#include "queue_driver_data.h"

namespace tessaly {

using SimulatedQueue = QueueDriverData;

// Adds the queue to the simulated spooler and publishes every value.
void add_simulated_queue(platform::sim::SimWindows& windows, const SimulatedQueue& queue);

}  // namespace tessaly
