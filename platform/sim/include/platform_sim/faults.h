// Fault injection for the simulated Windows: a test asks that the Nth call of
// a named operation ("DeletePrinter", "RegSetValueExW", ...) fail with a
// chosen error, once or from then on. Every simulated call also lands in the
// call log, so a test can check the order of calls.
//
// The names are those of the Windows calls the simulation checks; fail(),
// check() and calls() throw std::invalid_argument for any other name, so a
// misspelt fault fails the test that plants it instead of never firing.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win_error.h"

namespace platform::sim {

class Faults {
 public:
  // Fails call number `nth` (counted from 1, from now on) of `operation`.
  // With `persistent`, that call and every later one fail.
  void fail(std::string_view operation, Win32Error error, int nth = 1, bool persistent = false);
  void clear();

  // Called by each simulated operation: records the call and returns the
  // error to fail it with, or kErrorSuccess.
  Win32Error check(std::string_view operation, std::u16string_view detail = {});

  int calls(std::string_view operation) const;
  // Whether the simulated Windows checks a call of that name.
  static bool known(std::string_view operation);
  std::vector<std::string> log() const;
  void clear_log();

 private:
  struct Plan {
    Win32Error error;
    int remaining_before;  // calls to let through first
    bool persistent;
  };
  mutable std::mutex mutex_;
  std::map<std::string, std::vector<Plan>, std::less<>> plans_;
  std::map<std::string, int, std::less<>> counts_;
  std::vector<std::string> log_;
};

}  // namespace platform::sim
