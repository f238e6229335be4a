// A running monitor on the simulated Windows: tray window, balloon, timers on
// the virtual clock, and the maker's queues in the simulated spooler.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "monitor/tessaly_dlg.h"
#include "platform_sim/sim_balloon_window.h"
#include "platform_sim/sim_tracking_thread.h"
#include "platform_sim/sim_tray_window.h"
#include "platform_sim/sim_windows.h"
#include "support/simulated_queue.h"

namespace tessaly {

inline constexpr std::uint32_t kClickMessage = 0xC123;
inline constexpr std::uint32_t kTaskbarCreated = 0xC0F2;

class TrayFixture : public ::testing::Test {
 protected:
  TrayFixture()
      : timers(windows.clock), tray(timers), balloon_window(timers), tracking(windows.clock) {
    system.tray = &tray;
    // Wine's desktop of the tests: the work area is the whole screen.
    system.area = {0, 0, 1024, 768};
  }

  void store_mode(std::uint32_t off, std::uint32_t popup, std::uint32_t always) {
    auto& registry = windows.registry;
    registry.put_dword(platform::kHkeyLocalMachine, kSettingsKey, u"B_OFF", off);
    registry.put_dword(platform::kHkeyLocalMachine, kSettingsKey, u"B_POPUP", popup);
    registry.put_dword(platform::kHkeyLocalMachine, kSettingsKey, u"B_ALWAYS", always);
  }

  SimulatedQueue queue(std::u16string name) {
    SimulatedQueue q;
    q.queue_name = std::move(name);
    return q;
  }
  void add(const SimulatedQueue& q) { add_simulated_queue(windows, q); }

  // Builds the tray window and runs its initialisation (the balloon's first
  // rise starts there).
  void start() {
    dialog = std::make_unique<CTessalyDlg>(MonitorPorts{
        windows.platform, system, tracking, balloon_window, kClickMessage, kTaskbarCreated});
    balloon_window.on_timer = [this](std::uint32_t id) {
      if (id == kBalloonTimerId) ++balloon_ticks;
    };
    tray.logic = dialog.get();
    dialog->attach(&tray);
    dialog->OnInitDialog();
  }
  // The same with a display mode stored before.
  void start(std::uint32_t off, std::uint32_t popup, std::uint32_t always) {
    store_mode(off, popup, always);
    start();
  }

  // Runs virtual time until the balloon has had `count` more animation ticks.
  void balloon_steps(int count) {
    const int target = balloon_ticks + count;
    // A balloon whose timer stopped would never get there.
    const std::uint64_t give_up = windows.clock.now_ms() + 20u * count + 1000;
    while (balloon_ticks < target) {
      ASSERT_LT(windows.clock.now_ms(), give_up) << "the animation timer stopped";
      ASSERT_TRUE(timers.step()) << "no timer runs";
    }
  }

  void tray_event(std::uint32_t mouse_message) {
    tray.dispatch({kTrayCallbackMessage, kTrayIconId, static_cast<std::intptr_t>(mouse_message)});
  }
  void command(int id) { tray.dispatch(platform::WindowMessage::command(id, 0)); }
  // A new work area, as the system reports it and as menus must fit in it.
  void set_work_area(platform::Rect area) {
    system.area = area;
    tray.work_area = area;
  }

  // Cursor onto the icon: a move, then the hover the window posts itself.
  void hover() {
    tray.set_cursor({1000, 760});
    tray_event(platform::kWmMouseMove);
    tray.pump();
  }
  // Cursor away: the tracking thread's next sample posts the leave.
  void leave() {
    tray.set_cursor({400, 300});
    dialog->tracking_sample();
    tray.pump();
  }

  DisplayState& state() { return dialog->display(); }
  const platform::Rect& rect() { return dialog->balloon().window_rect(); }
  // A stored display flag of four bytes, or nothing.
  std::optional<std::uint32_t> stored(const char16_t* name) {
    platform::RegistryValue v;
    if (!windows.registry.value(platform::kHkeyLocalMachine, kSettingsKey, name, &v) ||
        v.data.size() != 4)
      return std::nullopt;
    return v.data[0] | v.data[1] << 8 | v.data[2] << 16 |
           static_cast<std::uint32_t>(v.data[3]) << 24;
  }

  platform::sim::SimWindows windows;
  platform::sim::SimTimers timers;
  platform::sim::SimTrayWindow tray;
  platform::sim::SimBalloonWindow balloon_window;
  platform::sim::SimMonitorSystem system;
  platform::sim::SimTrackingThread tracking;
  std::unique_ptr<CTessalyDlg> dialog;
  int balloon_ticks = 0;
};

}  // namespace tessaly
