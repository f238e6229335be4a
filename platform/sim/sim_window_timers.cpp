#include "platform_sim/sim_window_timers.h"

namespace platform::sim {

int SimTimers::add_window(Fire fire) {
  windows_.push_back(std::move(fire));
  return static_cast<int>(windows_.size()) - 1;
}

bool SimTimers::set(int window, std::uint32_t id, std::uint32_t period_ms) {
  timers_.set({window, id}, period_ms, clock_.now_ms());
  return true;
}

void SimTimers::kill(int window, std::uint32_t id) { timers_.kill({window, id}); }

bool SimTimers::running(int window, std::uint32_t id) const {
  return timers_.running({window, id});
}

bool SimTimers::step() {
  const auto next = timers_.next();
  if (!next) return false;
  const auto [window, id] = next->key;
  if (next->due_ms > clock_.now_ms()) clock_.advance_to(next->due_ms);
  timers_.fired(next->key, next->due_ms, true);
  if (window >= 0 && window < static_cast<int>(windows_.size()) && windows_[window])
    windows_[window](id);
  return true;
}

void SimTimers::run_for(std::uint64_t ms) {
  const std::uint64_t end = clock_.now_ms() + ms;
  for (;;) {
    const auto next = timers_.next();
    if (!next || next->due_ms > end) break;
    step();
  }
  if (clock_.now_ms() < end) clock_.advance_to(end);
}

}  // namespace platform::sim
