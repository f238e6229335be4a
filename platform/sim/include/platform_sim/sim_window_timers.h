// The timers of the simulated windows: one list across the tray window and
// the balloon, firing when a test advances virtual time.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "platform/util/timer_queue.h"
#include "platform_sim/sim_system.h"

namespace platform::sim {

// Window timers of every simulated window, on the virtual clock.
class SimTimers {
 public:
  explicit SimTimers(SimClock& clock) : clock_(clock) {}
  using Fire = std::function<void(std::uint32_t id)>;
  // A window whose timers call `fire`; returns its key.
  int add_window(Fire fire);
  // SetTimer: a timer set again starts its period anew.
  bool set(int window, std::uint32_t id, std::uint32_t period_ms);
  void kill(int window, std::uint32_t id);
  bool running(int window, std::uint32_t id) const;
  // Fires the next due timer after moving the clock to its deadline; false
  // when no timer runs. Deadline order, ties in the order they were set.
  bool step();
  // Fires every timer due within the next `ms` and leaves the clock there.
  void run_for(std::uint64_t ms);

 private:
  SimClock& clock_;
  std::vector<Fire> windows_;
  TimerQueue<std::pair<int, std::uint32_t>> timers_;
};

}  // namespace platform::sim
