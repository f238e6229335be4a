// Simulated threads. A started thread runs at once on the caller's thread,
// to its end, so a test sees one fixed order of events; or, when a test
// holds them, it waits until the test lets it run (for example after the
// window it reports to is gone).
#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "platform/threads.h"
#include "platform_sim/faults.h"

namespace platform::sim {

class SimThreads : public Threads {
 public:
  explicit SimThreads(Faults& faults) : faults_(faults) {}
  Win32Error start(std::function<void()> body, ThreadHandle* thread) override;
  void close(ThreadHandle thread) override;

  // Started threads wait for run_held() instead of running at once.
  bool hold = false;
  // Runs the held threads in the order they were started.
  void run_held();
  int started() const;
  std::size_t open_handles() const;

 private:
  Faults& faults_;
  mutable std::mutex mutex_;
  std::vector<std::function<void()>> held_;
  int started_ = 0;
  std::vector<ThreadHandle> handles_;
  ThreadHandle next_handle_ = 0x8000;
};

}  // namespace platform::sim
