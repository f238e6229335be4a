// The tray window: start-up, the stored display mode, the menu and its
// commands, the driver's error text, hover and leave, and the end.
#include "monitor/tessaly_app.h"
#include "platform/util/command_line.h"
#include "resources/tessaly_ids.h"
#include "tray_fixture.h"

namespace tessaly {
namespace {

class TrayTest : public TrayFixture {};

TEST_F(TrayTest, ASecondInstanceEndsAtOnce) {
  const MonitorPorts ports{windows.platform, system, tracking, balloon_window, kClickMessage};
  CTessalyApp first(ports);
  CTessalyApp second(ports);
  bool second_result = true;
  system.while_running = [&] {
    second_result = second.InitInstance();
    tray.dispatch({platform::kWmClose, 0, 0});
  };
  EXPECT_FALSE(first.InitInstance());
  EXPECT_TRUE(first.ran());
  EXPECT_FALSE(second_result);
  EXPECT_FALSE(second.ran());
  EXPECT_EQ(system.runs, (std::vector<int>{IDD_TESSALY_DIALOG}));
  EXPECT_EQ(system.common_controls, 1);
  int adds = 0;
  for (const auto& n : tray.notifies) adds += n.operation == platform::kNimAdd;
  EXPECT_EQ(adds, 1);
  EXPECT_TRUE(tray.icons_in_tray.empty()) << "removed on close";
  EXPECT_TRUE(tray.ended);
  constexpr auto kWindow = platform::sim::SimTrayWindow::kWindow;
  EXPECT_EQ(system.hook_calls, (decltype(system.hook_calls){{true, kWindow}, {false, kWindow}}));
}

TEST_F(TrayTest, TheEndOfTheSessionTakesTheIconAndTheHookAway) {
  start(0, 1, 0);
  ASSERT_TRUE(dialog->icon_in_tray());
  const platform::MessageResult query = tray.dispatch({platform::kWmQueryEndSession, 0, 0});
  EXPECT_TRUE(query.handled);
  EXPECT_EQ(query.result, 1) << "the session may end";
  // Another program said no: the session goes on, and so does the monitor.
  EXPECT_TRUE(tray.dispatch({platform::kWmEndSession, 0, 0}).handled);
  EXPECT_TRUE(dialog->icon_in_tray());
  EXPECT_FALSE(tray.ended);
  EXPECT_EQ(system.hook_calls.size(), 1u);
  EXPECT_TRUE(tray.dispatch({platform::kWmEndSession, 1, 0}).handled);
  EXPECT_FALSE(dialog->icon_in_tray());
  EXPECT_TRUE(tray.icons_in_tray.empty());
  EXPECT_TRUE(tray.ended);
  ASSERT_EQ(system.hook_calls.size(), 2u);
  EXPECT_EQ(system.hook_calls[1], std::make_pair(false, platform::sim::SimTrayWindow::kWindow));
}

TEST_F(TrayTest, InitialisationAddsTheIconAndStartsTheTick) {
  start(0, 1, 0);
  EXPECT_EQ(tray.window_icon, IDR_MAINFRAME);
  EXPECT_EQ(tray.loaded_menu, IDR_TRAY_MENU);
  ASSERT_EQ(tray.notifies.size(), 1u);
  const platform::NotifyIconRecord& record = tray.notifies[0].record;
  EXPECT_EQ(tray.notifies[0].operation, platform::kNimAdd);
  EXPECT_EQ(record.size, 952u);
  EXPECT_EQ(record.window, platform::sim::SimTrayWindow::kWindow);
  EXPECT_EQ(record.id, 1u);
  EXPECT_EQ(record.flags, platform::kNifMessage | platform::kNifIcon) << "no tip";
  EXPECT_EQ(record.callback_message, 0x401u);
  EXPECT_NE(record.icon, 0u);
  EXPECT_EQ(record.tip[0], 0);
  EXPECT_TRUE(dialog->icon_in_tray());
  EXPECT_TRUE(tray.timer_running(kTickTimerId));
  EXPECT_EQ(state().hide_after_ms, 2000u);
}

TEST_F(TrayTest, AnIconThatCannotBeAddedLeavesTheMonitorRunning) {
  tray.notify_succeeds = false;
  tray.icon_resources.clear();
  start(0, 1, 0);
  EXPECT_FALSE(dialog->icon_in_tray());
  EXPECT_EQ(tray.notifies[0].record.flags, platform::kNifMessage) << "no icon loaded";
  EXPECT_TRUE(tray.timer_running(kTickTimerId));
  // Minimising tries once more.
  tray.notify_succeeds = true;
  EXPECT_TRUE(tray.dispatch({platform::kWmSysCommand, platform::kScMinimize | 2, 0}).handled);
  EXPECT_TRUE(dialog->icon_in_tray());
  EXPECT_EQ(tray.shows.back(), platform::kSwHide);
  EXPECT_FALSE(tray.dispatch({platform::kWmSysCommand, 0xF060, 0}).handled) << "SC_CLOSE";
}

TEST_F(TrayTest, TheIconComesBackWhenTheShellMakesANewNotificationArea) {
  start(0, 1, 0);
  ASSERT_TRUE(dialog->icon_in_tray());
  // Explorer restarts: its new notification area has no icons.
  tray.icons_in_tray.clear();
  EXPECT_TRUE(tray.dispatch({kTaskbarCreated, 0, 0}).handled);
  ASSERT_EQ(tray.notifies.size(), 2u);
  EXPECT_EQ(tray.notifies[1].operation, platform::kNimAdd);
  EXPECT_EQ(tray.notifies[1].record.flags, platform::kNifMessage | platform::kNifIcon);
  EXPECT_EQ(tray.notifies[1].record.icon, tray.notifies[0].record.icon);
  EXPECT_EQ(tray.icons_in_tray, (std::set<std::uint32_t>{1}));
  // A shell that refuses the icon leaves the monitor as it was; the next
  // notice tries again.
  tray.icons_in_tray.clear();
  tray.notify_succeeds = false;
  tray.dispatch({kTaskbarCreated, 0, 0});
  EXPECT_TRUE(tray.icons_in_tray.empty());
  tray.notify_succeeds = true;
  tray.dispatch({kTaskbarCreated, 0, 0});
  EXPECT_EQ(tray.icons_in_tray.size(), 1u);
  command(ID_TRAY_CLOSE);
  tray.pump();
  EXPECT_TRUE(tray.icons_in_tray.empty()) << "removed on close";
}

TEST_F(TrayTest, FirstStartWithoutSettingsAndAMonitoredPrinterTurnsOff) {
  add(queue(u"Card A"));
  start();
  EXPECT_EQ(state().mode_off, 1) << "the balloon's first poll applied the request";
  EXPECT_EQ(state().off_requested, 0);
  EXPECT_EQ(dialog->balloon().height(), 0);
  EXPECT_FALSE(windows.registry.key_exists(platform::kHkeyLocalMachine, kSettingsKey));
  timers.run_for(500);
  EXPECT_EQ(stored(u"B_OFF"), 1u);
  EXPECT_EQ(stored(u"B_POPUP"), 0u);
  EXPECT_EQ(stored(u"B_ALWAYS"), 0u);
  EXPECT_TRUE(tray.checks[ID_DISPLAY_OFF]);
}

TEST_F(TrayTest, FirstStartWithoutAnyPrinterLeavesTheModeUnset) {
  start();
  EXPECT_TRUE(tray.checks[ID_DISPLAY_OFF]) << "the menu resource's own mark";
  timers.run_for(500);
  EXPECT_FALSE(tray.checks[ID_DISPLAY_OFF]);
  EXPECT_FALSE(tray.checks[ID_DISPLAY_POPUP]);
  EXPECT_FALSE(tray.checks[ID_DISPLAY_ALWAYS]);
  EXPECT_EQ(state().off_requested, 1);
  EXPECT_FALSE(windows.registry.key_exists(platform::kHkeyLocalMachine, kSettingsKey));
  // A printer installed later turns the mode Off at the first poll.
  add(queue(u"Card A"));
  timers.run_for(1000);
  EXPECT_EQ(state().mode_off, 1);
  EXPECT_EQ(stored(u"B_OFF"), 1u);
}

TEST_F(TrayTest, SeveralStoredModesAreReducedToOne) {
  start(1, 0, 1);
  EXPECT_EQ(state().mode_off, 1);
  EXPECT_EQ(state().mode_always, 0);
  EXPECT_EQ(stored(u"B_ALWAYS"), 0u);

  // Popup and Always stored: Popup wins. The values are kept as they are
  // stored, not reduced to 1.
  store_mode(0, 7, 1);
  dialog->load_display_settings();
  EXPECT_EQ(state().mode_popup, 7);
  EXPECT_EQ(state().mode_always, 0);
  EXPECT_TRUE(tray.checks[ID_DISPLAY_POPUP]);
  EXPECT_FALSE(tray.checks[ID_DISPLAY_OFF]);
  EXPECT_FALSE(tray.checks[ID_DISPLAY_ALWAYS]);
  EXPECT_EQ(stored(u"B_POPUP"), 7u);

  // In Popup mode every tick writes the values again, over a change made
  // behind the monitor's back.
  store_mode(0, 0, 1);
  timers.run_for(500);
  EXPECT_EQ(stored(u"B_POPUP"), 7u);
  EXPECT_EQ(stored(u"B_ALWAYS"), 0u);
  // In Always mode the tick leaves the stored values alone.
  command(ID_DISPLAY_ALWAYS);
  store_mode(0, 5, 0);
  timers.run_for(1000);
  EXPECT_EQ(stored(u"B_POPUP"), 5u);
  EXPECT_EQ(state().mode_always, 1);

  // A flag of more than 4 bytes reads as unset; a shorter one by its bytes.
  for (const std::size_t size : {2u, 4u, 5u}) {
    store_mode(0, 0, 0);
    windows.registry.put_value(platform::kHkeyLocalMachine, kSettingsKey, u"B_OFF",
                               platform::kRegBinary, std::vector<std::uint8_t>(size, 0x01));
    dialog->load_display_settings();
    EXPECT_EQ(state().mode_off, size == 2 ? 0x0101 : size == 4 ? 0x01010101 : 0) << size;
  }
}

TEST_F(TrayTest, ModeCommandsMarkTheMenuAndAreStored) {
  start(0, 1, 0);
  command(ID_DISPLAY_ALWAYS);
  EXPECT_TRUE(tray.checks[ID_DISPLAY_ALWAYS]);
  EXPECT_FALSE(tray.checks[ID_DISPLAY_POPUP]);
  EXPECT_EQ(stored(u"B_ALWAYS"), 1u);
  EXPECT_EQ(stored(u"B_POPUP"), 0u);
  command(ID_DISPLAY_OFF);
  EXPECT_TRUE(tray.checks[ID_DISPLAY_OFF]);
  EXPECT_FALSE(tray.checks[ID_DISPLAY_ALWAYS]);
  EXPECT_EQ(stored(u"B_OFF"), 1u);
  command(ID_TRAY_VERSION);
  EXPECT_TRUE(tray.posted.empty());
}

TEST_F(TrayTest, UninstallCancelledChangesNothing) {
  windows.registry.put_string(platform::kHkeyLocalMachine, kRunKey, kRunValue, u"C:\\Tessaly.exe");
  start(0, 1, 0);
  tray.box_answer = platform::kIdCancel;
  command(ID_TRAY_UNINSTALL);
  ASSERT_EQ(tray.boxes.size(), 1u);
  EXPECT_EQ(tray.boxes[0].text, u"Do you want to uninstall Tessaly?");
  EXPECT_EQ(tray.boxes[0].caption, u"Confirm");
  EXPECT_EQ(tray.boxes[0].flags, platform::kMbOkCancelButtons);
  EXPECT_TRUE(tray.boxes[0].owned);
  EXPECT_TRUE(windows.registry.value(platform::kHkeyLocalMachine, kRunKey, kRunValue, nullptr));
  EXPECT_TRUE(tray.posted.empty());
}

TEST_F(TrayTest, UninstallRemovesOnlyTheRunValueAndEnds) {
  windows.registry.put_string(platform::kHkeyLocalMachine, kRunKey, kRunValue, u"C:\\Tessaly.exe");
  windows.registry.put_string(platform::kHkeyLocalMachine, kRunKey, u"Other", u"other.exe");
  start(0, 1, 0);
  command(ID_TRAY_UNINSTALL);
  EXPECT_FALSE(windows.registry.value(platform::kHkeyLocalMachine, kRunKey, kRunValue, nullptr));
  EXPECT_TRUE(windows.registry.value(platform::kHkeyLocalMachine, kRunKey, u"Other", nullptr));
  EXPECT_TRUE(windows.registry.key_exists(platform::kHkeyLocalMachine, kSettingsKey));
  ASSERT_EQ(tray.posted.size(), 1u);
  EXPECT_EQ(tray.posted[0].message, platform::kWmClose);
  tray.pump();
  EXPECT_TRUE(tray.ended);
  EXPECT_TRUE(tray.icons_in_tray.empty());
  ASSERT_FALSE(system.hook_calls.empty());
  EXPECT_FALSE(system.hook_calls.back().first) << "hook cleared";
}

TEST_F(TrayTest, UninstallWithoutARunKeyKeepsRunningAndSaysSo) {
  windows.registry.remove_key(platform::kHkeyLocalMachine, kRunKey);
  start(0, 1, 0);
  command(ID_TRAY_UNINSTALL);
  EXPECT_TRUE(tray.posted.empty());
  EXPECT_FALSE(tray.ended);
  ASSERT_EQ(tray.boxes.size(), 2u);
  EXPECT_EQ(tray.boxes[1].caption, u"Uninstall Tessaly");
  EXPECT_EQ(tray.boxes[1].text.rfind(u"Tessaly could not be uninstalled (error 2): ", 0), 0u);
  EXPECT_TRUE(windows.processes.started().empty()) << "no elevation for a missing key";
}

// A standard user's monitor: the Run key opens for reading only, so an
// elevated copy of the program removes the value.
TEST_F(TrayTest, UninstallByAStandardUserGoesThroughTheElevationPrompt) {
  const std::u16string program = u"C:\\Windows\\System32\\Tessaly.exe";
  windows.system.module_path = program;
  windows.shell.put_file(program, "MZ");
  windows.registry.put_string(platform::kHkeyLocalMachine, kRunKey, kRunValue, program);
  windows.registry.standard_user = true;
  const MonitorPorts ports{windows.platform, system, tracking, balloon_window, kClickMessage};
  bool elevated_ran_tray = true;
  bool refuse_in_copy = false;
  windows.processes.install_program(u"Tessaly", [&](std::u16string_view command_line) {
    // The copy runs with the administrator's token and its own arguments.
    windows.system.arguments = std::u16string(platform::argument_text_of(command_line));
    windows.registry.standard_user = refuse_in_copy;
    CTessalyApp copy(ports);
    copy.InitInstance();
    elevated_ran_tray = copy.ran();
    windows.registry.standard_user = true;
    return copy.exit_code();
  });
  start(0, 1, 0);

  // Refused at the prompt: the monitor says so and keeps running.
  windows.faults.fail("ShellExecuteExW", 1223);
  command(ID_TRAY_UNINSTALL);
  ASSERT_EQ(tray.boxes.size(), 2u);
  EXPECT_EQ(tray.boxes[1].text,
            u"Tessaly was not uninstalled: the administrator's consent was not given. Tessaly "
            u"will start again at the next logon.");
  EXPECT_EQ(tray.boxes[1].caption, u"Uninstall Tessaly");
  EXPECT_EQ(tray.boxes[1].flags, 0x30u) << "OK, warning icon";
  EXPECT_TRUE(tray.posted.empty());
  EXPECT_TRUE(windows.registry.value(platform::kHkeyLocalMachine, kRunKey, kRunValue, nullptr));

  // Allowed, but the copy fails: its exit code is told.
  refuse_in_copy = true;
  command(ID_TRAY_UNINSTALL);
  ASSERT_EQ(tray.boxes.size(), 4u);
  EXPECT_EQ(tray.boxes[3].text.rfind(u"Tessaly could not be uninstalled (error 5): ", 0), 0u);
  EXPECT_TRUE(tray.posted.empty());

  // Allowed: the copy removes the value and the monitor ends.
  refuse_in_copy = false;
  command(ID_TRAY_UNINSTALL);
  EXPECT_EQ(tray.boxes.size(), 5u) << "only the question";
  EXPECT_FALSE(windows.registry.value(platform::kHkeyLocalMachine, kRunKey, kRunValue, nullptr));
  EXPECT_FALSE(elevated_ran_tray) << "the copy only removes the value";
  const auto started = windows.processes.started();
  ASSERT_EQ(started.size(), 2u);
  EXPECT_TRUE(started[1].elevated);
  EXPECT_EQ(started[1].command_line, u"\"" + program + u"\" /RemoveRunValue");
  EXPECT_EQ(started[1].directory, u"C:\\Windows\\System32");
  ASSERT_EQ(tray.posted.size(), 1u);
  EXPECT_EQ(tray.posted[0].message, platform::kWmClose);
  EXPECT_EQ(windows.processes.open_handles(), 0u);
}

TEST_F(TrayTest, DriverErrorTextIsShownOnceWithTheTickStopped) {
  add(queue(u"Card A"));
  windows.spooler.set_driver_string(u"Card A", u"ErrorMessage", u"Encoder not responding");
  start(0, 1, 0);  // the balloon's first poll picks the text up
  EXPECT_EQ(state().error_pending, 1);
  bool tick_running_during_box = true;
  tray.on_box = [&] { tick_running_during_box = tray.timer_running(kTickTimerId); };
  const auto sleeps_before = windows.clock.sleeps().size();
  timers.run_for(500);
  ASSERT_EQ(tray.boxes.size(), 1u);
  EXPECT_EQ(tray.boxes[0].text, u"Encoder not responding");
  EXPECT_EQ(tray.boxes[0].caption, u"WinDrv Encoding Error");
  EXPECT_EQ(tray.boxes[0].flags, platform::kMbOk);
  EXPECT_FALSE(tray.boxes[0].owned) << "owned by the focus window";
  EXPECT_FALSE(tick_running_during_box);
  EXPECT_TRUE(tray.timer_running(kTickTimerId));
  ASSERT_GT(windows.clock.sleeps().size(), sleeps_before);
  EXPECT_EQ(windows.clock.sleeps()[sleeps_before], 20u);
  EXPECT_EQ(state().error_pending, 0);
  EXPECT_EQ(state().error_text[0], 0);
  EXPECT_FALSE(windows.registry.value(platform::kHkeyLocalMachine,
                                      windows.spooler.driver_data_key(u"Card A"), u"ErrorMessage",
                                      nullptr));
  timers.run_for(5000);
  EXPECT_EQ(tray.boxes.size(), 1u) << "shown once";
}

TEST_F(TrayTest, HoverAndLeaveFromTheTrackingThreadsSamples) {
  add(queue(u"Card A"));
  start(0, 1, 0);
  tray.set_cursor({1000, 760});
  tray_event(platform::kWmMouseMove);
  tray_event(platform::kWmMouseMove);
  ASSERT_EQ(tray.posted.size(), 1u) << "one hover for the first move";
  EXPECT_EQ(tray.posted[0].lparam, platform::kWmMouseHover);
  EXPECT_EQ(tray.posted[0].message, kTrayCallbackMessage);
  EXPECT_EQ(tray.posted[0].wparam, 1u);
  tray.pump();
  EXPECT_EQ(state().pinned, 1);

  // The thread: two samples at rest, then the cursor moves, then the stop.
  int wait = 0;
  tracking.before_wait = [&] {
    ++wait;
    if (wait == 4) tray.set_cursor({1001, 760});
    if (wait == 6) tracking.signal_stop();
  };
  tracking.run_body();
  EXPECT_EQ(tracking.waits, 6);
  ASSERT_EQ(tray.posted.size(), 1u) << "one leave";
  EXPECT_EQ(tray.posted[0].lparam, platform::kWmMouseLeave);
  EXPECT_FALSE(dialog->hover_tracking());
  tray.pump();
  EXPECT_EQ(state().pinned, 0);

  // Back on the icon: a new hover.
  tray_event(platform::kWmMouseMove);
  ASSERT_EQ(tray.posted.size(), 1u);
  EXPECT_EQ(tray.posted[0].lparam, platform::kWmMouseHover);

  // A failed wait ends the thread as a stop does.
  tracking.before_wait = nullptr;
  tracking.fail_wait = true;
  tracking.run_body();
}

TEST_F(TrayTest, ACallbackForAnotherIconIsIgnored) {
  start(0, 1, 0);
  tray.dispatch({kTrayCallbackMessage, 2, platform::kWmMouseMove});
  EXPECT_TRUE(tray.posted.empty());
  EXPECT_FALSE(dialog->hover_tracking());
}

TEST_F(TrayTest, TheMenuClosesOnAClickOutsideItsStrictBounds) {
  start(0, 1, 0);
  // Mid-screen, at the notification area's corner (Windows opens the menu to
  // the left of the cursor there) and under a taskbar at the top (it opens
  // below the cursor).
  const platform::Point opened_at[] = {{500, 400}, {1020, 760}, {500, 10}};
  for (const platform::Point at : opened_at) {
    tray.set_cursor(at);
    const int ends_before = tray.end_menus;
    bool checked = false;
    // The menu is open while TrackPopupMenu runs; the hook's clicks arrive then.
    tray.on_track = [&] {
      const platform::Rect first = tray.item_rects.front();
      const platform::Rect last = tray.item_rects.back();
      const platform::Point inside[] = {
          {first.left + 1, first.top + 1},
          {last.right - 1, last.bottom - 1},
          // "Close Tessaly", the last item
          {(last.left + last.right) / 2, (last.top + last.bottom) / 2}};
      for (const platform::Point p : inside) {
        tray.set_cursor(p);
        tray.dispatch({kClickMessage, 0, 0});
        EXPECT_EQ(tray.end_menus, ends_before) << p.x << "," << p.y << " opened at " << at.x;
      }
      const int mid_x = (first.left + last.right) / 2;
      const int mid_y = (first.top + last.bottom) / 2;
      const platform::Point outside[] = {{first.left, mid_y}, {last.right, mid_y},
                                         {mid_x, first.top},  {mid_x, last.bottom},
                                         {10, 700},           {1010, 30}};
      int expected = ends_before;
      for (const platform::Point p : outside) {
        tray.set_cursor(p);
        EXPECT_TRUE(tray.dispatch({kClickMessage, 0, 0}).handled);
        EXPECT_EQ(tray.end_menus, ++expected) << p.x << "," << p.y << " opened at " << at.x;
      }
      checked = true;
    };
    tray_event(platform::kWmRButtonDown);
    EXPECT_TRUE(checked);
    ASSERT_FALSE(tray.tracks.empty());
    EXPECT_EQ(tray.tracks.back().first, at);
    EXPECT_EQ(tray.tracks.back().second, platform::kTpmRightButton | platform::kTpmBottomAlign);
    EXPECT_EQ(dialog->menu_position(), at);
  }
  // Where Windows put the menus: at the corner its right edge is at the
  // cursor, at the top its top edge is.
  EXPECT_EQ(tray.menu_rect.top, 10);
  EXPECT_EQ(tray.default_item, 0);
  tray.on_track = nullptr;
  tray.set_cursor({1020, 760});
  tray_event(platform::kWmContextMenu);
  EXPECT_EQ(tray.menu_rect.right, 1020);
  EXPECT_EQ(tray.menu_rect.bottom, 760);
  EXPECT_EQ(tray.tracks.size(), 4u);
  // A click with no menu laid out to measure ends none that matters.
  tray.item_rects.clear();
  tray.dispatch({kClickMessage, 0, 0});
  EXPECT_EQ(tray.end_menus, 19);
}

TEST_F(TrayTest, CloseCommandEndsTheMonitorAndStopsTheThread) {
  start(0, 1, 0);
  // The icon goes first, then the hook.
  bool icon_gone_when_cleared = false;
  system.on_hook_call = [&](bool set) {
    if (!set) icon_gone_when_cleared = tray.icons_in_tray.empty();
  };
  command(ID_TRAY_CLOSE);
  ASSERT_EQ(tray.posted.size(), 1u);
  EXPECT_EQ(tray.posted[0].message, platform::kWmClose);
  tray.pump();
  EXPECT_TRUE(tray.ended);
  EXPECT_TRUE(tray.icons_in_tray.empty());
  EXPECT_TRUE(icon_gone_when_cleared);
  ASSERT_EQ(system.hook_calls.size(), 2u);
  const auto deletes = tray.notifies.size();
  tracking.ends_in_time = false;
  tray.dispatch({platform::kWmDestroy, 0, 0});
  EXPECT_EQ(tray.notifies.size(), deletes) << "the icon is gone already";
  EXPECT_EQ(tracking.join_timeouts, (std::vector<std::uint32_t>{5000}));
  EXPECT_EQ(tracking.terminations, 1) << "a thread that does not end is terminated";
  EXPECT_TRUE(tracking.closed_thread);
  EXPECT_TRUE(tracking.closed_event);
}

TEST_F(TrayTest, AnIconThatCannotBeRemovedIsNotTriedAgainOnceTheWindowIsGone) {
  start(0, 1, 0);
  tray.notify_succeeds = false;
  tray.dispatch({platform::kWmDestroy, 0, 0});
  const auto tries = tray.notifies.size();
  EXPECT_EQ(tray.notifies.back().operation, platform::kNimDelete);
  dialog.reset();  // the window's host is gone by now in the real program
  EXPECT_EQ(tray.notifies.size(), tries);
}

TEST_F(TrayTest, TheDialogNeverStaysVisible) {
  start(0, 1, 0);
  EXPECT_FALSE(tray.dispatch({platform::kWmPaint, 0, 0}).handled);
  EXPECT_EQ(tray.shows.back(), platform::kSwHide);
  tray.minimized = true;
  EXPECT_TRUE(tray.dispatch({platform::kWmPaint, 0, 0}).handled);
  ASSERT_EQ(tray.painted_icons.size(), 1u);
  const auto drag = tray.dispatch({platform::kWmQueryDragIcon, 0, 0});
  EXPECT_TRUE(drag.handled);
  EXPECT_EQ(static_cast<platform::GdiRef>(drag.result), tray.painted_icons[0]);
  EXPECT_NE(drag.result, 0);
}

}  // namespace
}  // namespace tessaly
