// Time. Every fixed wait of the programs goes through this port, so that the
// simulated clock can make them cost nothing in tests.
#pragma once

#include <cstdint>

namespace platform {

// The calendar date and time of day of the local time zone (SYSTEMTIME).
struct LocalTime {
  std::uint16_t year = 0;
  std::uint16_t month = 0;  // 1..12
  std::uint16_t day = 0;    // 1..31
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
  std::uint16_t milliseconds = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Blocks the calling thread for `milliseconds` (Sleep).
  virtual void sleep(std::uint32_t milliseconds) = 0;
  // Monotonic milliseconds since an arbitrary start (GetTickCount64).
  virtual std::uint64_t now_ms() = 0;
  // The local date and time (GetLocalTime), for time stamps people read.
  virtual LocalTime local_time() = 0;
};

}  // namespace platform
