#include "platform_sim/sim_tracking_thread.h"

namespace platform::sim {

bool SimTrackingThread::create_stop_event() {
  event_created = event_succeeds;
  return event_created;
}

bool SimTrackingThread::start(std::function<void()> body) {
  body_ = std::move(body);
  started_ = true;
  return true;
}

TrackingThread::Wait SimTrackingThread::wait_stop(std::uint32_t timeout_ms) {
  ++waits;
  if (before_wait) before_wait();
  if (fail_wait) return Wait::Failed;
  if (signalled_) {
    signalled_ = false;  // auto-reset
    return Wait::Signalled;
  }
  clock_.sleep(timeout_ms);
  return Wait::Timeout;
}

bool SimTrackingThread::join(std::uint32_t timeout_ms) {
  join_timeouts.push_back(timeout_ms);
  return ends_in_time;
}

void SimTrackingThread::run_body() {
  if (body_) body_();
}

}  // namespace platform::sim
