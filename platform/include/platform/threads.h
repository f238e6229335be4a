// Threads the programs start.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/util/scoped.h"
#include "platform/win_error.h"

namespace platform {

using ThreadHandle = std::uintptr_t;

class Threads {
 public:
  virtual ~Threads() = default;
  // CreateThread: normal priority, default stack, running at once. The body
  // owns everything it captured; the handle is the caller's to close.
  virtual Win32Error start(std::function<void()> body, ThreadHandle* thread) = 0;
  virtual void close(ThreadHandle thread) = 0;
};

// A started thread's handle, closed when it goes out of scope (the thread
// runs on).
using ScopedThread = Scoped<Threads, ThreadHandle, &Threads::close>;

}  // namespace platform
