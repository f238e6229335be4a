// The balloon in virtual time, tick by tick of its 20 ms animation timer.
#include "monitor/balloon.h"

#include "resources/tessaly_ids.h"
#include "tray_fixture.h"

namespace tessaly {
namespace {

class BalloonTest : public TrayFixture {
 protected:
  // Two printers of ours, then the monitor in Popup or Always mode.
  void start_with_two_printers(std::uint32_t popup, std::uint32_t always) {
    add(queue(u"Card A"));
    add(queue(u"Card B"));
    start(0, popup, always);
  }
  void set_status(const std::u16string& name, std::uint32_t main, std::uint16_t ribbon = 100) {
    windows.spooler.set_driver_data(name, u"PrinterStatus", platform::kRegBinary,
                                    printer_status_bytes(main, 0, ribbon));
  }
};

TEST_F(BalloonTest, TwoPrintersRiseToFullHeightOnTheThirtySixthTick) {
  start_with_two_printers(1, 0);
  EXPECT_TRUE(balloon_window.created);
  EXPECT_EQ(balloon_window.brought_to_top, 0) << "the first rise does not bring it to the top";
  EXPECT_EQ(state().slide_state, Rising);
  EXPECT_EQ(dialog->balloon().height(), 180);
  EXPECT_EQ(rect(), (platform::Rect{1024 - 246, 768, 1024, 768}));

  balloon_steps(35);
  EXPECT_EQ(rect().top, 768 - 175);
  balloon_steps(1);  // 36th
  EXPECT_EQ(rect().top, 768 - 180);
  EXPECT_EQ(state().slide_state, Rising);
  balloon_steps(1);  // 37th
  EXPECT_EQ(state().slide_state, Shown);
  EXPECT_EQ(rect().top, 768 - 180);
  EXPECT_EQ(balloon_window.rect, (platform::Rect{778, 588, 1024, 768}));
  EXPECT_EQ(balloon_window.shows.back(), platform::kSwRestore);
}

TEST_F(BalloonTest, OnePrinterRisesInHalfTheTicks) {
  add(queue(u"Card A"));
  start(0, 0, 1);
  EXPECT_EQ(dialog->balloon().height(), 90);
  balloon_steps(18);
  EXPECT_EQ(rect().top, 768 - 90);
  EXPECT_EQ(state().slide_state, Rising);
  balloon_steps(1);
  EXPECT_EQ(state().slide_state, Shown);
}

TEST_F(BalloonTest, PopupFallsOnTheHundredAndFirstTickAfterLeavingTheIcon) {
  start_with_two_printers(1, 0);
  hover();
  EXPECT_EQ(state().pinned, 1);
  balloon_steps(37);
  balloon_steps(200);  // pinned: stays up however long
  ASSERT_EQ(state().slide_state, Shown);
  leave();
  EXPECT_EQ(state().pinned, 0);

  balloon_steps(100);
  EXPECT_EQ(state().slide_state, Shown);
  EXPECT_EQ(state().elapsed_ms, 2000u);
  balloon_steps(1);  // 101st: elapsed 2020
  EXPECT_EQ(state().slide_state, Falling);
  EXPECT_EQ(rect().top, 768 - 180) << "the fall moves from the next tick on";
  balloon_steps(36);
  EXPECT_EQ(rect().top, 768);
  EXPECT_EQ(state().slide_state, Falling);
  EXPECT_TRUE(balloon_window.timer_running(kBalloonTimerId));
  balloon_steps(1);  // as many ticks as the rise
  EXPECT_EQ(state().slide_state, Hidden);
  EXPECT_EQ(rect().top, 768);
  EXPECT_FALSE(balloon_window.timer_running(kBalloonTimerId));

  // Hidden: the tick shows it again once a printer is active.
  set_status(u"Card B", bits::kMainPrinting);
  timers.run_for(500);
  EXPECT_EQ(state().slide_state, Rising);
  EXPECT_EQ(balloon_window.brought_to_top, 1);
  EXPECT_EQ(state().hide_after_ms, 2000u);
}

TEST_F(BalloonTest, ANewPrinterGrowsTheBalloonAtTheNextRefreshWithoutAnimation) {
  start_with_two_printers(0, 1);
  balloon_steps(37);  // shown with elapsed 740
  ASSERT_EQ(state().elapsed_ms, 740u);
  add(queue(u"Card C"));
  const auto moves = balloon_window.moves.size();
  balloon_steps(12);  // up to elapsed 980: no refresh
  EXPECT_EQ(balloon_window.moves.size(), moves);
  EXPECT_EQ(rect().top, 768 - 180);
  balloon_steps(1);  // elapsed 1000
  EXPECT_EQ(rect().top, 768 - 270);
  EXPECT_EQ(balloon_window.rect.top, 768 - 270);
  EXPECT_EQ(balloon_window.invalidations, 1);
  EXPECT_TRUE(balloon_window.last_erase);
  EXPECT_EQ(state().slide_state, Shown);
}

TEST_F(BalloonTest, OnlyComparedFieldsRepaint) {
  start_with_two_printers(0, 1);
  balloon_steps(37);
  set_status(u"Card A", 0, 42);  // ribbon count only
  balloon_steps(13);             // the refresh at elapsed 1000
  balloon_steps(25);             // and at 1500
  EXPECT_EQ(balloon_window.invalidations, 0);
  EXPECT_EQ(dialog->balloon().snapshot().records[0].ribbon_left, 42) << "polled all the same";

  set_status(u"Card A", bits::kMainPrinting, 42);
  balloon_steps(25);  // next multiple of 500
  EXPECT_EQ(balloon_window.invalidations, 1);
  // An active printer keeps elapsed at 0: it is polled on every tick now.
  balloon_steps(1);
  EXPECT_EQ(state().elapsed_ms, 0u);
  EXPECT_EQ(balloon_window.invalidations, 1);
  set_status(u"Card A", 0, 42);
  balloon_steps(1);
  EXPECT_EQ(balloon_window.invalidations, 2) << "printing to idle repaints at once";
}

TEST_F(BalloonTest, ALaminatorErrorAloneRepaints) {
  add({.queue_name = u"Card L", .status_main = bits::kMainLaminatorAttached});
  start(0, 0, 1);
  balloon_steps(19);
  ASSERT_EQ(dialog->balloon().snapshot().records[0].has_laminator, 1);
  windows.spooler.set_driver_data(u"Card L", u"LaminatorStatus", platform::kRegBinary,
                                  laminator_status_bytes(0, 0x40));
  balloon_steps(25);  // the refresh at elapsed 500
  EXPECT_EQ(dialog->balloon().snapshot().records[0].lam_error, 0x40u);
  EXPECT_EQ(balloon_window.invalidations, 1);
}

TEST_F(BalloonTest, TheBalloonFollowsTheWorkArea) {
  start_with_two_printers(0, 1);
  balloon_steps(37);
  ASSERT_EQ(balloon_window.rect, (platform::Rect{778, 588, 1024, 768}));
  // A taskbar of 40 pixels comes up at the bottom: the corner moves.
  set_work_area({0, 0, 1024, 728});
  tray.dispatch({platform::kWmSettingChange, platform::kSpiSetWorkArea, 0});
  EXPECT_EQ(balloon_window.rect, (platform::Rect{778, 548, 1024, 728}));
  EXPECT_EQ(rect(), balloon_window.rect);
  // Another setting leaves it where it is.
  set_work_area({0, 0, 800, 600});
  tray.dispatch({platform::kWmSettingChange, 0x0014, 0});  // SPI_SETDESKWALLPAPER
  EXPECT_EQ(balloon_window.rect.bottom, 728);
  // A new screen size moves it; the next refresh keeps the new corner.
  tray.dispatch({platform::kWmDisplayChange, 32, 0});
  EXPECT_EQ(balloon_window.rect, (platform::Rect{554, 420, 800, 600}));
  add(queue(u"Card C"));
  timers.run_for(500);
  EXPECT_EQ(rect(), (platform::Rect{554, 330, 800, 600}));
  // A taskbar that moves without a notice is found at the next refresh.
  set_work_area({0, 0, 800, 560});
  timers.run_for(500);
  EXPECT_EQ(balloon_window.rect, (platform::Rect{554, 290, 800, 560}));

  // A balloon that is down rises at the new corner.
  command(ID_DISPLAY_POPUP);
  timers.run_for(5000);
  ASSERT_EQ(state().slide_state, Hidden);
  set_work_area({0, 40, 1280, 1024});
  tray.dispatch({platform::kWmDisplayChange, 32, 0});
  EXPECT_EQ(rect(), (platform::Rect{1034, 1024, 1280, 1024}));
  hover();
  balloon_steps(55);
  EXPECT_EQ(balloon_window.rect, (platform::Rect{1034, 1024 - 270, 1280, 1024}));
}

TEST_F(BalloonTest, OffShrinksTheBalloonToNoHeight) {
  start_with_two_printers(0, 1);
  balloon_steps(37);
  command(ID_DISPLAY_OFF);
  EXPECT_EQ(state().mode_off, 1);
  balloon_steps(13);  // elapsed 1000
  EXPECT_EQ(dialog->balloon().height(), 0);
  EXPECT_EQ(rect().top, rect().bottom);
  EXPECT_EQ(balloon_window.invalidations, 1);
  EXPECT_EQ(state().slide_state, Shown) << "Off does not slide";
}

TEST_F(BalloonTest, AlwaysPinsAndNeverFalls) {
  start_with_two_printers(1, 0);
  balloon_steps(138);  // risen, idle past 2000 ms, fallen
  ASSERT_EQ(state().slide_state, Hidden);
  command(ID_DISPLAY_ALWAYS);
  EXPECT_EQ(state().pinned, 1);
  EXPECT_EQ(state().slide_state, Rising) << "shown at once";
  EXPECT_EQ(balloon_window.brought_to_top, 1);
  timers.run_for(60'000);
  EXPECT_EQ(state().slide_state, Shown);
  EXPECT_EQ(state().mode_always, 1);
}

TEST_F(BalloonTest, AlwaysWhilePinnedDoesNotRestartTheRise) {
  start_with_two_printers(1, 0);
  hover();
  balloon_steps(40);
  ASSERT_EQ(state().slide_state, Shown);
  command(ID_DISPLAY_ALWAYS);
  EXPECT_EQ(state().slide_state, Shown);
  EXPECT_EQ(balloon_window.brought_to_top, 0);
  EXPECT_EQ(rect().top, 768 - 180);
}

TEST_F(BalloonTest, NoMonitoredPrinterGivesAWindowOfNoHeight) {
  start(0, 0, 1);
  balloon_steps(2);
  EXPECT_EQ(state().slide_state, Shown);
  EXPECT_EQ(dialog->balloon().height(), 0);
  timers.run_for(10'000);
  EXPECT_EQ(state().slide_state, Shown);
  EXPECT_TRUE(balloon_window.timer_running(kBalloonTimerId));

  // In Popup mode it slides away after the idle time all the same.
  command(ID_DISPLAY_POPUP);
  timers.run_for(2100);
  EXPECT_EQ(state().slide_state, Hidden);
}

TEST_F(BalloonTest, AFailedWindowStillLeavesTheTrayWorking) {
  balloon_window.create_succeeds = false;
  add(queue(u"Card A"));
  start(0, 1, 0);
  EXPECT_FALSE(balloon_window.created);
  EXPECT_TRUE(dialog->icon_in_tray());
  EXPECT_TRUE(tray.timer_running(kTickTimerId));
}

}  // namespace
}  // namespace tessaly
