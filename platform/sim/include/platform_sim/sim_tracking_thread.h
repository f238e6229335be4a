// The monitor's cursor-tracking thread, run at a test's pace.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/tracking_thread.h"
#include "platform_sim/sim_system.h"

namespace platform::sim {

// The tracking thread at the test's pace: start() keeps the body, and
// run_body() runs it on the calling thread. Each wait first calls
// `before_wait` (the test moves the cursor there, or signals the stop), then
// lets virtual time pass.
class SimTrackingThread : public TrackingThread {
 public:
  explicit SimTrackingThread(SimClock& clock) : clock_(clock) {}
  bool create_stop_event() override;
  bool start(std::function<void()> body) override;
  bool running() override { return started_ && !closed_thread; }
  Wait wait_stop(std::uint32_t timeout_ms) override;
  void signal_stop() override { signalled_ = true; }
  bool join(std::uint32_t timeout_ms) override;
  void terminate() override { ++terminations; }
  void close_thread() override { closed_thread = true; }
  void close_stop_event() override { closed_event = true; }

  void run_body();
  std::function<void()> before_wait;
  bool event_succeeds = true;
  bool fail_wait = false;
  bool ends_in_time = true;  // join's answer
  int waits = 0;
  std::vector<std::uint32_t> join_timeouts;
  int terminations = 0;
  bool closed_thread = false;
  bool closed_event = false;
  bool event_created = false;

 private:
  SimClock& clock_;
  std::function<void()> body_;
  bool started_ = false;
  bool signalled_ = false;
};

}  // namespace platform::sim
