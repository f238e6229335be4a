// The windowless dialog hosts. The simulated one keeps the rules the real
// window keeps (the same cases run on the real dialog in
// win32_dialog_test.cpp): only the template's controls exist, the progress
// bar stays in its range, a pump delivers the timers that are due, and a
// message box runs its own loop in which the window's timers go on firing.
#include "platform_sim/sim_dialog_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform_sim/sim_dialog_template.h"
#include "platform_sim/sim_system.h"

namespace {

using platform::WindowMessage;
using platform::sim::SimDialogHost;

TEST(SimDialogHost, KeepsTheRulesOfARealWindow) {
  platform::sim::SimClock clock;
  SimDialogHost host(clock);
  for (const int control : {10, 20}) host.define(control);

  // An id the template does not have is simply not there.
  host.set_text(4242, u"nowhere");
  host.enable(4242, true);
  EXPECT_EQ(host.text(4242), u"");
  EXPECT_FALSE(host.is_enabled(4242));
  EXPECT_FALSE(host.is_visible(4242));
  EXPECT_FALSE(host.has_control(4242));

  host.progress_range(20, 0, 30);
  host.progress_position(20, 31);
  EXPECT_EQ(host.control(20).position, 30);
  host.progress_position(20, -2);
  EXPECT_EQ(host.control(20).position, 0);

  std::vector<std::uintptr_t> fired;
  std::vector<std::uint64_t> at;
  host.set_dispatch([&](const WindowMessage& m) {
    fired.push_back(m.wparam);
    at.push_back(clock.now_ms());
  });
  // A pump delivers what is due now, once, and moves no time.
  host.set_timer(77, 10);
  host.set_timer(88, 500);
  clock.sleep(50);
  host.pump_messages();
  EXPECT_EQ(fired, std::vector<std::uintptr_t>{77});
  host.pump_messages();
  EXPECT_EQ(fired.size(), 1u);

  // While a message box waits for its answer, the timers keep firing.
  fired.clear();
  at.clear();
  host.message_box_wait_ms = 1000;
  const std::uint64_t opened = clock.now_ms();
  EXPECT_EQ(host.message_box(u"text", u"ERROR", platform::kMbOk), platform::kIdOk);
  EXPECT_EQ(clock.now_ms(), opened + 1000);
  ASSERT_FALSE(fired.empty());
  EXPECT_EQ(std::count(fired.begin(), fired.end(), 88u), 2);
  EXPECT_GT(std::count(fired.begin(), fired.end(), 77u), 50);
  EXPECT_EQ(host.message_boxes().size(), 1u);
}

TEST(SimDialogHost, APumpDeliversACloseOrEscapePostedDuringAHandler) {
  platform::sim::SimClock clock;
  // The close box (WM_CLOSE) and Escape (WM_COMMAND IDCANCEL), posted while
  // a handler works: the handler's pump delivers them, their default
  // processing ends the dialog, and the window keeps its controls until the
  // handler returns.
  for (const WindowMessage posted :
       {WindowMessage{platform::kWmClose, 0, 0}, WindowMessage::command(platform::kIdCancel, 0)}) {
    SimDialogHost host(clock);
    host.define(10);
    std::vector<std::uint32_t> seen;
    host.set_dispatch([&](const WindowMessage& m) {
      seen.push_back(m.message);
      return false;
    });
    host.set_text(10, u"working");
    host.post(posted);
    EXPECT_TRUE(seen.empty());  // posted, not sent
    host.pump_messages();
    EXPECT_EQ(seen, std::vector<std::uint32_t>{posted.message});
    EXPECT_TRUE(host.closed());
    EXPECT_EQ(host.result(), platform::kIdCancel);
    host.set_text(10, u"done");
    EXPECT_EQ(host.text(10), u"done");
    const auto history = host.history();
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(history[0].text, u"working");
    EXPECT_EQ(history[1].kind, SimDialogHost::Event::Pump);
    EXPECT_EQ(history[2].text, u"done");
  }
  // A logic that handles WM_CLOSE itself keeps the dialog open.
  SimDialogHost stubborn(clock);
  stubborn.set_dispatch([](const WindowMessage& m) { return m.message == platform::kWmClose; });
  stubborn.post_close();
  stubborn.pump_messages();
  EXPECT_FALSE(stubborn.closed());
  // Without a logic to deliver to, the message waits.
  SimDialogHost bare(clock);
  bare.post(WindowMessage::command(platform::kIdOk, 0));
  bare.pump_messages();
  EXPECT_FALSE(bare.closed());
}

// The windowless base's one choice, and what both its users rely on: a
// template's host refuses an id it lacks, a host without a template makes
// the control when it is first named; the first end holds; a message box is
// in the record before it is answered; the next timer waits for neither an
// ended dialog nor a deadline it falls behind.
class PlainHost : public platform::WindowlessDialogHost {
 public:
  using WindowlessDialogHost::take_next_timer;
  PlainHost(platform::Clock& clock, Controls controls) : WindowlessDialogHost(clock, controls) {}
  bool post_message(std::uint32_t, std::uintptr_t, std::intptr_t) override { return false; }
  void pump_messages() override {}
  std::uintptr_t window_ref() override { return 0; }
  std::size_t boxes_seen = 0;

 protected:
  int answer_message_box(const platform::MessageBoxRecord& box) override {
    boxes_seen = message_boxes().size();
    return box.flags == platform::kMbOkCancelButtons ? platform::kIdCancel : platform::kIdOk;
  }
};

TEST(WindowlessDialogHost, DeclaredControlsOrControlsOnDemand) {
  platform::sim::SimClock clock;
  using Controls = platform::WindowlessDialogHost::Controls;
  PlainHost declared(clock, Controls::Declared);
  PlainHost on_demand(clock, Controls::OnDemand);
  for (PlainHost* host : {&declared, &on_demand}) {
    host->set_text(7, u"seven");
    host->combo_add(7, u"b");
    host->combo_add(7, u"a");
    host->combo_select(7, 1);
  }
  EXPECT_FALSE(declared.has_control(7));
  EXPECT_EQ(declared.text(7), u"");
  EXPECT_FALSE(declared.is_enabled(7));
  EXPECT_EQ(declared.combo_selection(7), -1);
  EXPECT_TRUE(on_demand.has_control(7));
  EXPECT_EQ(on_demand.combo_items(7), (std::vector<std::u16string>{u"b", u"a"}));
  EXPECT_EQ(on_demand.text(7), u"a") << "the selected item is the text";
  EXPECT_TRUE(on_demand.is_enabled(8)) << "a control named first by a query starts enabled";
  EXPECT_TRUE(on_demand.is_visible(8));

  EXPECT_EQ(on_demand.message_box(u"Sure?", u"Confirm", platform::kMbOkCancelButtons),
            platform::kIdCancel);
  EXPECT_EQ(on_demand.boxes_seen, 1u);
  ASSERT_EQ(on_demand.message_boxes().size(), 1u);
  EXPECT_EQ(on_demand.message_boxes()[0].caption, u"Confirm");
  EXPECT_EQ(on_demand.message_boxes()[0].flags, platform::kMbOkCancelButtons);

  const std::uint64_t start = clock.now_ms();
  on_demand.set_timer(1, 200);
  on_demand.set_timer(2, 100);
  EXPECT_FALSE(on_demand.take_next_timer(start + 99)) << "the next falls after the deadline";
  auto next = on_demand.take_next_timer(start + 100);
  ASSERT_TRUE(next);
  EXPECT_EQ(next->key, 2u);
  EXPECT_EQ(next->due_ms, start + 100);
  next = on_demand.take_next_timer();
  ASSERT_TRUE(next);
  EXPECT_EQ(next->key, 1u) << "a tie at 200 ms goes to the timer set first";
  EXPECT_EQ(next->due_ms, start + 200);
  on_demand.end_dialog(platform::kIdOk);
  on_demand.end_dialog(platform::kIdCancel);
  EXPECT_TRUE(on_demand.ended());
  EXPECT_EQ(on_demand.end_result(), platform::kIdOk);
  EXPECT_FALSE(on_demand.take_next_timer()) << "an ended dialog fires no timer";
  EXPECT_EQ(on_demand.running_timers(), (std::vector<std::uint32_t>{1, 2}));
}

// FindWindowW compares class names and titles without regard to case.
TEST(SimDesktop, FindsWindowsIgnoringCase) {
  platform::sim::SimDesktop desktop;
  const platform::WindowRef shell = desktop.add_window(u"CabinetWClass", u"Devices and Printers");
  EXPECT_EQ(desktop.find_window_by_class(u"cabinetwclass"), shell);
  EXPECT_EQ(desktop.find_window_by_title(u"DEVICES AND PRINTERS"), shell);
  EXPECT_EQ(desktop.find_window_by_title(u"Devices and Printer"), 0u);
}

// A script the simulated template cannot read is refused with the line at
// fault, never half read as a dialog.
TEST(SimDialogTemplate, RefusesWhatItCannotRead) {
  const std::string ids = "#define IDD_X 5\n#define IDC_A 10\n";
  for (const auto& [script, message] :
       {std::pair{"IDD_Y DIALOGEX 0, 0, 9, 9\nBEGIN\nEND\n", "no dialog template IDD_X"},
        std::pair{"IDD_X DIALOGEX 0, 0, 9, 9\nBEGIN\n  LTEXT \"\", IDC_B, 1, 2, 3, 4\nEND\n",
                  "line 3: the id IDC_B is not defined"},
        std::pair{"IDD_X DIALOGEX 0, 0, 9, 9\nBEGIN\n  PUSHBUTTON \"Go\", IDC_A, 1\nEND\n",
                  "line 3: too few fields in a PUSHBUTTON statement"},
        std::pair{"IDD_X DIALOGEX 0, 0, 9, 9\nCAPTION Bare\nBEGIN\nEND\n",
                  "line 2: a caption not quoted"}}) {
    platform::sim::SimClock clock;
    SimDialogHost host(clock);
    std::string error;
    EXPECT_FALSE(platform::sim::define_dialog_template(host, script, ids, "IDD_X", &error));
    EXPECT_EQ(error, message);
  }
}

}  // namespace
