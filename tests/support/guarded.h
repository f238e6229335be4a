// A fixed-size record followed by a canary: whatever writes past the record
// changes the canary, and the test sees it without a sanitizer.
#pragma once

#include <cstddef>
#include <cstring>

namespace test_support {

template <typename Record, std::size_t CanaryBytes = 256>
struct Guarded {
  static constexpr unsigned char kCanary = 0x5A;

  Record value;
  unsigned char canary[CanaryBytes];

  Guarded() { reset(); }
  // The record zero-filled, the canary set again.
  void reset() {
    std::memset(static_cast<void*>(this), 0, sizeof *this);
    std::memset(canary, kCanary, sizeof canary);
  }
  bool canary_intact() const {
    for (unsigned char c : canary)
      if (c != kCanary) return false;
    return true;
  }
};

}  // namespace test_support
