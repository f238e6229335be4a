#include "platform_sim/sim_threads.h"

#include <algorithm>

namespace platform::sim {

Win32Error SimThreads::start(std::function<void()> body, ThreadHandle* thread) {
  *thread = 0;
  if (auto e = faults_.check("CreateThread")) return e;
  {
    std::lock_guard lock(mutex_);
    ++started_;
    *thread = next_handle_++;
    handles_.push_back(*thread);
    if (hold) {
      held_.push_back(std::move(body));
      return kErrorSuccess;
    }
  }
  body();
  return kErrorSuccess;
}

void SimThreads::close(ThreadHandle thread) {
  std::lock_guard lock(mutex_);
  handles_.erase(std::remove(handles_.begin(), handles_.end(), thread), handles_.end());
}

void SimThreads::run_held() {
  std::vector<std::function<void()>> bodies;
  {
    std::lock_guard lock(mutex_);
    bodies.swap(held_);
  }
  for (auto& body : bodies) body();
}

int SimThreads::started() const {
  std::lock_guard lock(mutex_);
  return started_;
}

std::size_t SimThreads::open_handles() const {
  std::lock_guard lock(mutex_);
  return handles_.size();
}

}  // namespace platform::sim
