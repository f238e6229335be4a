// The calls that report the size they need when the buffer handed over is
// too small: called again with a buffer of that size, a bounded number of
// times, since what they return can grow between two calls (a queue added,
// a file copied into the folder, a value written). Needs no Windows header.
#pragma once

#include <cstddef>

#include "platform/win_error.h"

namespace platform_win32 {

// What one call answered.
struct GrowStep {
  // The result when the rounds end with this call.
  platform::Win32Error error = platform::kErrorSuccess;
  // Call again with room for `needed` units.
  bool again = false;
  std::size_t needed = 0;

  static GrowStep done(platform::Win32Error result) { return {result, false, 0}; }
  // `refused`: the answer when no further call is made (the size asked for is
  // no larger than the last one, or the rounds are used up).
  static GrowStep grow(std::size_t needed, platform::Win32Error refused) {
    return {refused, true, needed};
  }
};

inline constexpr int kGrowRounds = 4;

// Calls `call(capacity)`, the first time with capacity 0 (the size query),
// then with the capacity the last call asked for. Ends with the first call
// that is done; with `too_large` when a call asks for more than
// `max_capacity`; with the step's own `refused` when a call asks for no more
// than it was given (a buffer that size did not do) or after kGrowRounds
// calls.
template <typename Call>
platform::Win32Error call_growing(std::size_t max_capacity, platform::Win32Error too_large,
                                  Call&& call) {
  std::size_t capacity = 0;
  GrowStep step;
  for (int round = 0; round < kGrowRounds; ++round) {
    step = call(capacity);
    if (!step.again) return step.error;
    if (step.needed > max_capacity) return too_large;
    if (step.needed <= capacity) return step.error;
    capacity = step.needed;
  }
  return step.error;
}

}  // namespace platform_win32
