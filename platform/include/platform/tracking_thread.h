// The cursor-tracking thread of the tray window and its stop event.
#pragma once

#include <cstdint>
#include <functional>

namespace platform {

class TrackingThread {
 public:
  virtual ~TrackingThread() = default;
  enum class Wait { Timeout, Signalled, Failed };
  virtual bool create_stop_event() = 0;
  virtual bool start(std::function<void()> body) = 0;
  virtual bool running() = 0;
  // Waits on the stop event (the thread's side).
  virtual Wait wait_stop(std::uint32_t timeout_ms) = 0;
  virtual void signal_stop() = 0;
  // Waits for the thread to end; false on time-out.
  virtual bool join(std::uint32_t timeout_ms) = 0;
  virtual void terminate() = 0;
  // Closes the thread's handle / the event's handle.
  virtual void close_thread() = 0;
  virtual void close_stop_event() = 0;
};

}  // namespace platform
