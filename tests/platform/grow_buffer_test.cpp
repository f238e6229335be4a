// The size-query loop of the real spooler, setup API and registry: what it
// answers for the ways a call can keep asking for more.
#include "platform_win32/grow_buffer.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

namespace {

using namespace platform;
using platform_win32::GrowStep;

TEST(CallGrowing, GrowsToWhatTheCallAsksForAndStopsInBoundedRounds) {
  constexpr Win32Error kTooLarge = kErrorNotEnoughMemory;
  const GrowStep kDone = GrowStep::done(kErrorSuccess);
  const auto grow = [](std::size_t needed) {
    return GrowStep::grow(needed, kErrorInsufficientBuffer);
  };
  struct Row {
    const char* name;
    std::vector<GrowStep> answers;  // one per call
    Win32Error result;
    std::vector<std::size_t> capacities;  // asked of the calls
  } rows[] = {
      {"refused at once", {GrowStep::done(kErrorAccessDenied)}, kErrorAccessDenied, {0}},
      {"size query, then read", {grow(100), kDone}, kErrorSuccess, {0, 100}},
      {"grew meanwhile", {grow(100), grow(150), kDone}, kErrorSuccess, {0, 100, 150}},
      {"no more than given", {grow(100), grow(100)}, kErrorInsufficientBuffer, {0, 100}},
      {"beyond the limit", {grow(100), grow(1001)}, kTooLarge, {0, 100}},
      {"grows for ever",
       {grow(100), grow(200), grow(300), grow(400), kDone},
       kErrorInsufficientBuffer,
       {0, 100, 200, 300}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::size_t> capacities;
    const Win32Error result =
        platform_win32::call_growing(1000, kTooLarge, [&](std::size_t capacity) {
          capacities.push_back(capacity);
          return row.answers.at(capacities.size() - 1);
        });
    EXPECT_EQ(result, row.result);
    EXPECT_EQ(capacities, row.capacities);
  }
}

}  // namespace
