// What the monitor asks of the system besides its windows, against the
// simulated Windows and, in the Windows build, the real one (Wine here): the
// single-instance mutex, the work area and the tracking thread's stop event.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <string>

#include "platform/util/text.h"
#include "platform_sim/sim_tracking_thread.h"
#include "platform_sim/sim_tray_window.h"
#include "support/contract.h"
#ifdef _WIN32
#include "platform_win32/win32_tracking_thread.h"
#include "platform_win32/win32_tray_window.h"
#endif

namespace {

struct Simulated {
  platform::sim::SimClock clock;
  platform::sim::SimMonitorSystem system;
  platform::sim::SimTrackingThread thread{clock};
};

#ifdef _WIN32
struct Real {
  platform_win32::Win32MonitorSystem system{nullptr, nullptr};
  platform_win32::Win32TrackingThread thread;
};
#endif

template <typename Under>
class MonitorSystemContract : public ::testing::Test {
 protected:
  Under under;
};

using Systems = PELMORA_CONTRACT_TYPES(Simulated, Real);
TYPED_TEST_SUITE(MonitorSystemContract, Systems, test_support::ContractNames<Simulated>);

TYPED_TEST(MonitorSystemContract, TheInstanceMutexNameStaysTaken) {
  std::mt19937_64 random(
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  const std::u16string name = u"TESSALY_CONTRACT_" + platform::to_utf16(std::to_string(random()));
  bool exists = true;
  this->under.system.create_instance_mutex(name, &exists);
  EXPECT_FALSE(exists);
  // Released at once, but the handle stays open: the name is still taken.
  this->under.system.create_instance_mutex(name, &exists);
  EXPECT_TRUE(exists);
}

TYPED_TEST(MonitorSystemContract, TheWorkAreaIsARealRectangle) {
  const platform::Rect area = this->under.system.work_area();
  EXPECT_LT(area.left, area.right);
  EXPECT_LT(area.top, area.bottom);
  EXPECT_GE(area.right - area.left, 246) << "room for the balloon";
  // The screen's DPI as a DPI-aware program sees it: 96 on the test
  // desktops (Wine's default LogPixels).
  EXPECT_EQ(this->under.system.screen_dpi(), 96);
}

TYPED_TEST(MonitorSystemContract, TheStopEventResetsItselfAfterOneWait) {
  auto& thread = this->under.thread;
  ASSERT_TRUE(thread.create_stop_event());
  using Wait = platform::TrackingThread::Wait;
  EXPECT_EQ(thread.wait_stop(1), Wait::Timeout);
  thread.signal_stop();
  EXPECT_EQ(thread.wait_stop(1000), Wait::Signalled);
  EXPECT_EQ(thread.wait_stop(1), Wait::Timeout) << "auto-reset";
  thread.close_stop_event();
}

TYPED_TEST(MonitorSystemContract, AThreadThatStopsOnTheEventCanBeJoined) {
  auto& thread = this->under.thread;
  ASSERT_TRUE(thread.create_stop_event());
  std::atomic<int> samples{0};
  ASSERT_TRUE(thread.start([&] {
    while (thread.wait_stop(5) == platform::TrackingThread::Wait::Timeout) ++samples;
  }));
  EXPECT_TRUE(thread.running());
  thread.signal_stop();
  // The simulated thread runs at the test's pace: its body runs here.
  if constexpr (requires { thread.run_body(); }) thread.run_body();
  EXPECT_TRUE(thread.join(5000));
  thread.close_thread();
  EXPECT_FALSE(thread.running());
  thread.close_stop_event();
}

}  // namespace
