// One contract for the clock port and for the system facts that change
// with how the program was started: the simulated ports on every build, the
// real ones in the Windows build, run under Wine here.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "platform_sim/sim_system.h"
#include "support/contract.h"
#ifdef _WIN32
#include "platform_win32/win32_system.h"
#include "platform_win32/windows_api.h"
#endif

namespace {

using namespace platform;

// Milliseconds since 2000-01-01 of a local time in this century, counting
// days by months so that a day boundary between two readings is no problem.
std::int64_t milliseconds_of(const LocalTime& t) {
  static constexpr int kDaysBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  const int year = t.year - 2000;
  std::int64_t days = year * 365 + (year + 3) / 4 + kDaysBefore[t.month - 1] + t.day - 1;
  if (t.month > 2 && year % 4 == 0) ++days;
  return ((days * 24 + t.hour) * 60 + t.minute) * 60000 + t.second * 1000 + t.milliseconds;
}

template <typename C>
class ClockContract : public ::testing::Test {
 protected:
  C clock_;
};

using ClockImplementations = PELMORA_CONTRACT_TYPES(sim::SimClock, platform_win32::Win32Clock);
TYPED_TEST_SUITE(ClockContract, ClockImplementations, test_support::ContractNames<sim::SimClock>);

TYPED_TEST(ClockContract, LocalTimeIsACalendarTimeThatMovesWithTheClock) {
  Clock& clock = this->clock_;
  const LocalTime before = clock.local_time();
  for (const auto& [field, value, low, high] :
       {std::tuple{"year", before.year, 2000, 2099}, std::tuple{"month", before.month, 1, 12},
        std::tuple{"day", before.day, 1, 31}, std::tuple{"hour", before.hour, 0, 23},
        std::tuple{"minute", before.minute, 0, 59}, std::tuple{"second", before.second, 0, 59},
        std::tuple{"milliseconds", before.milliseconds, 0, 999}}) {
    EXPECT_GE(value, low) << field;
    EXPECT_LE(value, high) << field;
  }

  const std::uint64_t start = clock.now_ms();
  clock.sleep(50);
  const std::uint64_t after = clock.now_ms();
  const LocalTime later = clock.local_time();
  // Order only: both readings after the sleep come later than those before
  // it. How far a real clock moves in 50 ms depends on the system tick and
  // the machine's load; the simulated one moves by exactly the sleep.
  EXPECT_LT(start, after);
  EXPECT_LT(milliseconds_of(before), milliseconds_of(later));
  if (std::is_same_v<TypeParam, sim::SimClock>) {
    EXPECT_EQ(after - start, 50u);
    EXPECT_EQ(milliseconds_of(later) - milliseconds_of(before), 50);
  }
}

// The session the program runs in: on Windows the one ProcessIdToSessionId
// gives for this process; in the sim the one the test sets, here 0 (SYSTEM,
// a service) after an interactive logon's 2.
template <typename S>
struct SessionOf;
template <>
struct SessionOf<sim::SimSystemInfo> {
  sim::Faults faults;
  sim::SimSystemInfo system{faults};
  std::vector<std::uint32_t> sessions() { return {2, 0}; }
  void enter(std::uint32_t session) { system.session = session; }
  // WinSta0, a service's station, WinSta0 again.
  std::vector<bool> stations() { return {true, false, true}; }
  void enter_station(bool visible) { system.visible_window_station = visible; }
};
#ifdef _WIN32
template <>
struct SessionOf<platform_win32::Win32SystemInfo> {
  platform_win32::Win32SystemInfo system;
  std::vector<std::uint32_t> sessions() {
    DWORD session = 0xFFFFFFFFu;
    EXPECT_TRUE(ProcessIdToSessionId(GetCurrentProcessId(), &session)) << GetLastError();
    return {session};
  }
  void enter(std::uint32_t) {}
  // The test program runs on the desktop's station, WinSta0; a station it
  // makes itself is not visible, as a service's is.
  std::vector<bool> stations() { return {true, false, true}; }
  void enter_station(bool visible) {
    if (own_ == nullptr) own_ = GetProcessWindowStation();
    if (visible) {
      ASSERT_TRUE(SetProcessWindowStation(own_)) << GetLastError();
      return;
    }
    if (made_ == nullptr) made_ = CreateWindowStationW(nullptr, 0, WINSTA_ALL_ACCESS, nullptr);
    ASSERT_NE(made_, nullptr) << GetLastError();
    ASSERT_TRUE(SetProcessWindowStation(made_)) << GetLastError();
  }
  ~SessionOf() {
    if (own_ != nullptr) SetProcessWindowStation(own_);
    if (made_ != nullptr) CloseWindowStation(made_);
  }
  HWINSTA own_ = nullptr;
  HWINSTA made_ = nullptr;
};
#endif

template <typename S>
class SystemInfoContract : public ::testing::Test {
 protected:
  SessionOf<S> of_;
};

using SystemInfoImplementations = PELMORA_CONTRACT_TYPES(sim::SimSystemInfo,
                                                         platform_win32::Win32SystemInfo);
TYPED_TEST_SUITE(SystemInfoContract, SystemInfoImplementations,
                 test_support::ContractNames<sim::SimSystemInfo>);

TYPED_TEST(SystemInfoContract, SessionIsTheProcessOwnAndTheSameOnEveryRead) {
  SystemInfo& system = this->of_.system;
  for (const std::uint32_t session : this->of_.sessions()) {
    SCOPED_TRACE(session);
    this->of_.enter(session);
    const std::uint32_t first = system.session_id();
    EXPECT_EQ(first, session);
    EXPECT_EQ(system.session_id(), first);
    // All ones is the port's "unknown": a known session is never read as it.
    EXPECT_NE(first, 0xFFFFFFFFu);
  }
}

TYPED_TEST(SystemInfoContract, TheWindowStationSaysWhetherItIsVisible) {
  SystemInfo& system = this->of_.system;
  for (const bool station : this->of_.stations()) {
    SCOPED_TRACE(station);
    this->of_.enter_station(station);
    bool visible = !station;
    ASSERT_EQ(kErrorSuccess, system.window_station_visible(&visible));
    EXPECT_EQ(visible, station);
  }
}

TEST(SimClockTest, LocalTimeCanBeSetAndCrossesMonthsAndYears) {
  sim::SimClock clock;
  clock.set_local_time({2028, 2, 28, 23, 59, 59, 500});
  clock.sleep(1000);  // a leap year's 29 February
  LocalTime t = clock.local_time();
  EXPECT_EQ((std::vector<int>{t.year, t.month, t.day, t.hour, t.minute, t.second, t.milliseconds}),
            (std::vector<int>{2028, 2, 29, 0, 0, 0, 500}));
  clock.sleep(24 * 3600 * 1000);
  t = clock.local_time();
  EXPECT_EQ((std::vector<int>{t.year, t.month, t.day}), (std::vector<int>{2028, 3, 1}));
  clock.set_local_time({2026, 12, 31, 23, 59, 59, 999});
  clock.sleep(1);
  t = clock.local_time();
  EXPECT_EQ((std::vector<int>{t.year, t.month, t.day, t.hour}), (std::vector<int>{2027, 1, 1, 0}));
}

}  // namespace
