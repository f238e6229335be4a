// Time. Every fixed wait of the programs goes through this port, so that the
// simulated clock can make them cost nothing in tests.
#pragma once

#include <cstdint>

namespace platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // Blocks the calling thread for `milliseconds` (Sleep).
  virtual void sleep(std::uint32_t milliseconds) = 0;
  // Monotonic milliseconds since an arbitrary start (GetTickCount64).
  virtual std::uint64_t now_ms() = 0;
};

}  // namespace platform
