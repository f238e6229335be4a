// The cursor-tracking thread on the real Windows: a thread and an
// auto-reset stop event.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/tracking_thread.h"

namespace platform_win32 {

class Win32TrackingThread : public platform::TrackingThread {
 public:
  Win32TrackingThread();
  ~Win32TrackingThread() override;
  Win32TrackingThread(const Win32TrackingThread&) = delete;
  Win32TrackingThread& operator=(const Win32TrackingThread&) = delete;

  bool create_stop_event() override;
  bool start(std::function<void()> body) override;
  bool running() override;
  Wait wait_stop(std::uint32_t timeout_ms) override;
  void signal_stop() override;
  bool join(std::uint32_t timeout_ms) override;
  void terminate() override;
  void close_thread() override;
  void close_stop_event() override;

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace platform_win32
