// One contract for the dialog host, as the wizard relies on it: timers that
// fire with their id until killed, messages posted to the dialog that
// arrive after the running handler (or in a pump of the queue), any message
// reaching the logic, the close box and Escape ending the dialog unless the
// logic handles them, EndDialog's result, and controls that keep the text,
// enabled state and visibility the logic gave them. The simulated host on
// every build; in the Windows build also the real dialog window (the
// installer's template), under Wine here. Wine runs the real timers in real
// time, so its cases assert the order of events only.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "pelmora_ids.h"
#include "platform/dialog_host.h"
#include "platform_sim/sim_dialog_host.h"
#include "platform_sim/sim_system.h"
#include "support/contract.h"
#ifdef _WIN32
#include "platform_win32/modal_dialog.h"
#endif

namespace {

using namespace platform;

inline constexpr std::uint32_t kNotice = kWmUser + 5;
inline constexpr std::uint32_t kWmMove = 0x0003;
inline constexpr std::uint32_t kWmSize = 0x0005;
inline constexpr std::uint32_t kWmApp = 0x8000;

// A logic whose steps the test supplies; it records every message.
class ScriptedLogic : public DialogLogic {
 public:
  std::function<void(DialogHost&)> on_init = [](DialogHost&) {};
  std::function<bool(DialogHost&, const WindowMessage&)> on_message =
      [](DialogHost&, const WindowMessage&) { return false; };

  void attach(DialogHost* host) override { host_ = host; }
  bool OnInitDialog() override {
    on_init(*host_);
    initialised = true;
    return true;
  }
  MessageResult handle_message(const WindowMessage& message) override {
    seen.push_back(message);
    return {on_message(*host_, message), 0};
  }
  std::vector<std::uintptr_t> timers() const {
    std::vector<std::uintptr_t> ids;
    for (const auto& m : seen)
      if (m.message == kWmTimer) ids.push_back(m.wparam);
    return ids;
  }

  DialogHost* host_ = nullptr;
  bool initialised = false;
  std::vector<WindowMessage> seen;
};

// The wizard's dialog on the simulated Windows: its controls declared, the
// modal loop run until the dialog ends (virtual time; a minute at most).
struct SimTwin {
  static int run(ScriptedLogic& logic) {
    sim::SimClock clock;
    sim::SimDialogHost host(clock);
    for (const int control : {IDC_STATUS, IDC_NEXT, IDC_SCAN}) host.define(control);
    host.set_dispatch([&](const WindowMessage& m) { return logic.handle_message(m); });
    logic.attach(&host);
    logic.OnInitDialog();
    host.run_for(60000, [&](const WindowMessage& m) { return logic.handle_message(m); });
    EXPECT_TRUE(host.closed()) << "the dialog never ended";
    return host.result();
  }
};

#ifdef _WIN32
// The installer's real dialog window.
struct Win32Twin {
  static int run(ScriptedLogic& logic) {
    return platform_win32::run_modal_dialog(IDD_PELMORA_DIALOG, logic);
  }
};
#endif
using Twins = PELMORA_CONTRACT_TYPES(SimTwin, Win32Twin);

template <typename Twin>
class DialogHostContract : public ::testing::Test {
 protected:
  int run() { return Twin::run(logic); }
  ScriptedLogic logic;
};
TYPED_TEST_SUITE(DialogHostContract, Twins, test_support::ContractNames<SimTwin>);

TYPED_TEST(DialogHostContract, TimersFireWithTheirIdUntilKilledAndEndDialogGivesTheResult) {
  int first_ticks = 0;
  this->logic.on_init = [](DialogHost& host) { EXPECT_TRUE(host.set_timer(7, 20)); };
  this->logic.on_message = [&](DialogHost& host, const WindowMessage& m) {
    if (m.message != kWmTimer) return false;
    if (m.wparam == 7 && ++first_ticks == 3) {
      host.kill_timer(7);
      host.set_timer(9, 20);
    } else if (m.wparam == 9) {
      host.kill_timer(9);
      host.end_dialog(42);
    }
    return true;
  };
  EXPECT_EQ(this->run(), 42);
  EXPECT_EQ(this->logic.timers(), (std::vector<std::uintptr_t>{7, 7, 7, 9}))
      << "a killed timer fires no more";
}

TYPED_TEST(DialogHostContract, PostedMessagesArriveInOrderAfterTheRunningHandler) {
  bool initialised_first = true;
  std::vector<std::uintptr_t> notices;
  this->logic.on_init = [](DialogHost& host) {
    EXPECT_TRUE(host.post_message(kNotice, 1, 0));
    EXPECT_TRUE(host.post_message(kNotice, 2, 0));
  };
  this->logic.on_message = [&](DialogHost& host, const WindowMessage& m) {
    if (m.message != kNotice) return false;
    initialised_first = initialised_first && this->logic.initialised;
    notices.push_back(m.wparam);
    if (m.wparam == 2) host.end_dialog(5);
    return true;
  };
  EXPECT_EQ(this->run(), 5);
  EXPECT_EQ(notices, (std::vector<std::uintptr_t>{1, 2}));
  EXPECT_TRUE(initialised_first) << "a posted message waits for the handler that posted it";
}

TYPED_TEST(DialogHostContract, APumpDeliversWhileTheHandlerRuns) {
  bool delivered_in_pump = false;
  this->logic.on_init = [&](DialogHost& host) {
    host.post_message(kNotice, 3, 0);
    host.pump_messages();
    delivered_in_pump = !this->logic.seen.empty() && this->logic.seen.back().message == kNotice;
    host.end_dialog(6);
  };
  this->logic.on_message = [](DialogHost&, const WindowMessage& m) { return m.message == kNotice; };
  EXPECT_EQ(this->run(), 6);
  EXPECT_TRUE(delivered_in_pump);
}

TYPED_TEST(DialogHostContract, TheCloseBoxAndEscapeEndWithCancelAndEnterWithOk) {
  this->logic.on_init = [](DialogHost& host) { host.post_close(); };
  EXPECT_EQ(this->run(), kIdCancel) << "WM_CLOSE";

  // Escape's command, then Enter's.
  for (const int key : {kIdCancel, kIdOk}) {
    ScriptedLogic pressed;
    pressed.on_init = [key](DialogHost& host) {
      host.post_message(kWmCommand, WindowMessage::command(key, kBnClicked).wparam, 0);
    };
    EXPECT_EQ(TypeParam::run(pressed), key) << (key == kIdOk ? "Enter" : "Escape");
  }
}

TYPED_TEST(DialogHostContract, AnyMessageReachesTheLogicBeforeTheHostsOwnAnswer) {
  // Messages no dialog of the programs handles yet: the system's own (a
  // move, a size) and a private one. A real window gets moves and sizes of
  // its own too (it is placed and shown): the posted ones carry 23.
  std::vector<std::uint32_t> posted;
  int closes = 0, escapes = 0;
  this->logic.on_init = [](DialogHost& host) {
    for (const std::uint32_t message : {kWmMove, kWmSize, kWmApp + 1})
      host.post_message(message, 23, 0);
    // The close box and Escape that the logic handles leave the dialog open.
    host.post_close();
    host.post_message(kWmCommand, WindowMessage::command(kIdCancel, kBnClicked).wparam, 0);
    host.post_message(kNotice, 0, 0);
  };
  this->logic.on_message = [&](DialogHost& host, const WindowMessage& m) {
    if (m.wparam == 23)
      posted.push_back(m.message);
    else if (m.message == kWmClose)
      ++closes;
    else if (m.message == kWmCommand && (m.wparam & 0xFFFF) == kIdCancel)
      ++escapes;
    else if (m.message == kNotice)
      host.end_dialog(9);
    else
      return false;
    return true;
  };
  EXPECT_EQ(this->run(), 9);
  EXPECT_EQ(posted, (std::vector<std::uint32_t>{kWmMove, kWmSize, kWmApp + 1}));
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(escapes, 1);
}

TYPED_TEST(DialogHostContract, ControlsKeepWhatTheLogicGaveThem) {
  const std::u16string status = u"Step 2 \u2013 \uC900\uBE44 (ready)";
  this->logic.on_init = [&](DialogHost& host) {
    host.set_text(IDC_STATUS, status);
    EXPECT_EQ(host.text(IDC_STATUS), status);
    host.enable(IDC_NEXT, false);
    EXPECT_FALSE(host.is_enabled(IDC_NEXT));
    host.enable(IDC_NEXT, true);
    EXPECT_TRUE(host.is_enabled(IDC_NEXT));
    host.show(IDC_SCAN, false);
    EXPECT_FALSE(host.is_visible(IDC_SCAN));
    host.show(IDC_SCAN, true);
    EXPECT_TRUE(host.is_visible(IDC_SCAN));
    host.set_text(IDC_STATUS, u"");
    EXPECT_EQ(host.text(IDC_STATUS), u"");
    host.end_dialog(kIdOk);
  };
  EXPECT_EQ(this->run(), kIdOk);
}

}  // namespace
