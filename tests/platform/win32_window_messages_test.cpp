// How the real windows take their messages: timers, commands and the
// default endings of the installer's dialog, a button enabled from another
// thread, pumping, and every message reaching the logic (dialog, tray
// window, balloon) before the host's own answer.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "pelmora_ids.h"
#include "platform/dialog_host.h"
#include "platform_win32/modal_dialog.h"
#include "platform_win32/win32_balloon_window.h"
#include "platform_win32/win32_dialog_host.h"
#include "platform_win32/win32_tray_window.h"
#include "platform_win32/windows_api.h"
#include "scripted_logic.h"

namespace {

using namespace platform;
using namespace platform_win32;
using test_support::count_of;
using test_support::ScriptedLogic;

bool is_command(const WindowMessage& m, int control) {
  return m.message == kWmCommand && static_cast<int>(m.wparam & 0xFFFF) == control;
}

TEST(Win32DialogTest, TimersCommandsAndTheDefaultEndings) {
  // A timer tick reaches the logic with its id; a click reaches it as the
  // control's command; IDOK that the logic leaves alone ends the dialog.
  ScriptedLogic logic;
  int ticks = 0;
  logic.on_init = [&](DialogHost& host) {
    EXPECT_TRUE(host.set_timer(TIMER_NETWORK_FINISH, 10));
    return true;
  };
  logic.on_message = [&](DialogHost& host, const WindowMessage& m) {
    if (m.message == kWmTimer && m.wparam == TIMER_NETWORK_FINISH) {
      if (++ticks == 2) {
        host.kill_timer(TIMER_NETWORK_FINISH);
        PostMessageW(logic.window(), WM_COMMAND, MAKEWPARAM(IDC_NEXT, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(logic.window(), IDC_NEXT)));
      }
      return true;
    }
    if (is_command(m, IDC_NEXT)) {
      PostMessageW(logic.window(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      return true;
    }
    return false;
  };
  EXPECT_EQ(IDOK, run_modal_dialog(IDD_PELMORA_DIALOG, logic));
  EXPECT_EQ(2, ticks);
  int next_clicks = 0;
  for (const auto& m : logic.seen) next_clicks += is_command(m, IDC_NEXT);
  EXPECT_EQ(1, next_clicks);

  // Escape in the dialog is IDCANCEL, which ends it.
  ScriptedLogic escape;
  int escape_ticks = 0;
  escape.on_init = [&](DialogHost& host) { return host.set_timer(7, 10); };
  escape.on_message = [&](DialogHost& host, const WindowMessage& m) {
    if (m.message == kWmTimer) {
      if (++escape_ticks == 1) {
        const HWND focus = GetFocus();
        PostMessageW(focus ? focus : escape.window(), WM_KEYDOWN, VK_ESCAPE, 0);
      } else if (escape_ticks > 200) {
        host.post_close();  // the key never arrived: end anyway, the checks below fail
      }
      return true;
    }
    return false;
  };
  EXPECT_EQ(IDCANCEL, run_modal_dialog(IDD_PELMORA_DIALOG, escape));
  bool saw_cancel = false;
  for (const auto& m : escape.seen) saw_cancel = saw_cancel || is_command(m, IDCANCEL);
  EXPECT_TRUE(saw_cancel);
  EXPECT_LT(escape_ticks, 200);

  // A logic that handles WM_CLOSE itself keeps the dialog open.
  ScriptedLogic stubborn;
  int closes = 0;
  stubborn.on_init = [&](DialogHost& host) {
    host.post_close();
    return true;
  };
  stubborn.on_message = [&](DialogHost& host, const WindowMessage& m) {
    if (m.message == kWmClose && ++closes == 1) {
      host.set_timer(9, 10);
      return true;
    }
    if (m.message == kWmTimer) {
      host.kill_timer(9);
      host.post_close();
      return true;
    }
    return false;
  };
  EXPECT_EQ(IDCANCEL, run_modal_dialog(IDD_PELMORA_DIALOG, stubborn));
  EXPECT_EQ(2, closes);
}

TEST(Win32DialogTest, AnotherThreadEnablesAButtonAndTheWindowSeesIt) {
  // The pre-install worker's only signal: it enables Cancel from its own
  // thread while the window polls the button once per tick.
  ScriptedLogic logic;
  std::thread worker;
  std::atomic<bool> worker_done{false};
  int ticks = 0;
  bool seen_enabled = false;
  logic.on_init = [&](DialogHost& host) {
    host.enable(IDC_CANCEL_BUTTON, false);
    host.set_timer(TIMER_PACKAGE_WAIT, 10);
    DialogHost* shared = &host;
    worker = std::thread([shared, &worker_done] {
      EXPECT_FALSE(shared->is_enabled(IDC_CANCEL_BUTTON));
      shared->enable(IDC_CANCEL_BUTTON, true);
      worker_done = true;
    });
    return true;
  };
  logic.on_message = [&](DialogHost& host, const WindowMessage& m) {
    if (m.message != kWmTimer) return false;
    ++ticks;
    if (host.is_enabled(IDC_CANCEL_BUTTON) || ticks > 500) {
      seen_enabled = host.is_enabled(IDC_CANCEL_BUTTON);
      host.kill_timer(TIMER_PACKAGE_WAIT);
      host.post_close();
    }
    return true;
  };
  EXPECT_EQ(IDCANCEL, run_modal_dialog(IDD_PELMORA_DIALOG, logic));
  worker.join();
  EXPECT_TRUE(worker_done);
  EXPECT_TRUE(seen_enabled);
}

TEST(Win32DialogTest, PumpingDeliversWaitingMessagesAtOnce) {
  ScriptedLogic logic;
  int private_messages = 0;
  int seen_after_pump = -1;
  int timers_after_pump = -1;
  int timers = 0;
  // How many private messages had come when the first WM_TIMER did.
  int private_before_timer = -1;
  logic.on_init = [&](DialogHost& host) {
    PostMessageW(logic.window(), WM_APP + 3, 0, 0);
    PostMessageW(logic.window(), WM_APP + 3, 0, 0);
    // A timer that falls due while the thread works fires in the pump.
    // WM_TIMER is made only when the queue holds nothing else, so the
    // posted messages come first, whatever the periods that went by.
    host.set_timer(77, 10);
    Sleep(50);
    host.pump_messages();
    seen_after_pump = private_messages;
    timers_after_pump = timers;
    host.kill_timer(77);
    host.post_close();
    return true;
  };
  logic.on_message = [&](DialogHost&, const WindowMessage& m) {
    if (m.message == WM_TIMER && m.wparam == 77 && timers++ == 0)
      private_before_timer = private_messages;
    if (m.message != WM_APP + 3) return false;
    ++private_messages;
    return true;
  };
  EXPECT_EQ(IDCANCEL, run_modal_dialog(IDD_PELMORA_DIALOG, logic));
  EXPECT_EQ(2, seen_after_pump);
  EXPECT_GE(timers_after_pump, 1);
  EXPECT_EQ(2, private_before_timer);

  // The close box (WM_CLOSE) and Escape (WM_COMMAND IDCANCEL), posted while
  // a handler works: its pump delivers them, their default processing ends
  // the dialog, and the window keeps its controls until the handler returns
  // (the simulated host does the same, sim_dialog_host_test.cpp).
  for (const WindowMessage posted :
       {WindowMessage{kWmClose, 0, 0}, WindowMessage::command(IDCANCEL, 0)}) {
    ScriptedLogic working;
    bool delivered_in_pump = false;
    std::u16string text_after_pump;
    working.on_init = [&](DialogHost& host) {
      host.set_text(IDC_STATUS, u"working");
      PostMessageW(working.window(), posted.message, posted.wparam, 0);
      host.pump_messages();
      delivered_in_pump = count_of(working.seen, posted.message) > 0;
      host.set_text(IDC_STATUS, u"done");
      text_after_pump = host.text(IDC_STATUS);
      return true;
    };
    EXPECT_EQ(IDCANCEL, run_modal_dialog(IDD_PELMORA_DIALOG, working));
    EXPECT_TRUE(delivered_in_pump) << posted.message;
    EXPECT_EQ(u"done", text_after_pump);
  }
}

// Every message reaches the logic, and the host answers only what the logic
// leaves alone: a private message sent to the dialog gives back the
// handler's result, a move of the window reaches the logic, and a logic
// that answers the colour or drag-icon question itself is heard instead of
// the host.
TEST(Win32DialogTest, TheLogicAnswersEveryMessageBeforeTheHost) {
  constexpr UINT kPlaced = WM_USER + 9;
  const HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  ScriptedLogic logic;
  logic.answers = {{WM_APP + 4, 4711},
                   {WM_QUERYDRAGICON, 0x1234},
                   {WM_CTLCOLORSTATIC, reinterpret_cast<std::intptr_t>(black)}};
  LRESULT sent = 0, drag = 0, colour = 0;
  DialogHost::BrushRef header_brush = 0;
  int moves_before = 0, moves_after = 0;
  logic.on_init = [&](DialogHost& host) {
    host.set_icon(IDI_PELMORA);
    header_brush = host.create_solid_brush(0x00FF4040);
    host.set_control_colors(IDC_HEADER, 0x00FFFFFF, 0x00FF4040, header_brush);
    // Arrives once the runner has placed the window.
    host.post_message(kPlaced, 0, 0);
    return true;
  };
  logic.on_message = [&](DialogHost& host, const WindowMessage& m) {
    if (m.message != kPlaced) return false;
    const HWND dialog = logic.window();
    sent = SendMessageW(dialog, WM_APP + 4, 0, 0);
    drag = SendMessageW(dialog, WM_QUERYDRAGICON, 0, 0);
    const HDC dc = CreateCompatibleDC(nullptr);
    colour = SendMessageW(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_HEADER)));
    DeleteDC(dc);
    moves_before = count_of(logic.seen, WM_MOVE);
    RECT place{};
    GetWindowRect(dialog, &place);
    SetWindowPos(dialog, nullptr, place.left + 10, place.top + 10, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    moves_after = count_of(logic.seen, WM_MOVE);
    host.post_close();
    return true;
  };
  EXPECT_EQ(IDCANCEL, run_modal_dialog(IDD_PELMORA_DIALOG, logic));
  EXPECT_EQ(4711, sent) << "the handler's result comes back to the sender";
  EXPECT_EQ(0x1234, drag);
  EXPECT_EQ(reinterpret_cast<LRESULT>(black), colour);
  EXPECT_EQ(moves_before + 1, moves_after);
  DeleteObject(reinterpret_cast<HBRUSH>(header_brush));
}

// The tray window (a dialog of its own host) and the balloon (a window of
// its own class) go through the same procedure: a private message sent to
// either gives back its logic's result, and the balloon's moves and sizes
// reach its logic.
class RecordingTrayLogic : public TrayWindowLogic {
 public:
  void attach(TrayWindowHost* host) override { host_ = host; }
  bool OnInitDialog() override { return host_->post_message(WM_USER + 9, 0, 0); }
  MessageResult handle_message(const WindowMessage& m) override {
    if (m.message == WM_APP + 5) return {true, 99};
    if (m.message != WM_USER + 9) return {};
    sent = SendMessageW(reinterpret_cast<HWND>(host_->window()), WM_APP + 5, 0, 0);
    host_->end_dialog(3);
    return {true, 0};
  }
  TrayWindowHost* host_ = nullptr;
  LRESULT sent = 0;
};

class RecordingBalloonLogic : public BalloonWindowLogic {
 public:
  void attach(BalloonWindowHost*) override {}
  MessageResult handle_message(const WindowMessage& m) override {
    seen.push_back(m);
    return m.message == WM_APP + 6 ? MessageResult{true, 77} : MessageResult{};
  }
  std::vector<WindowMessage> seen;
};

TEST(Win32WindowProcedureTest, TheTrayWindowAndTheBalloonHandEveryMessageToTheirLogic) {
  Win32MonitorSystem system{nullptr, nullptr};
  RecordingTrayLogic tray;
  EXPECT_EQ(3, system.run_tray_window(IDD_PELMORA_DIALOG, tray));
  EXPECT_EQ(99, tray.sent);

  RecordingBalloonLogic logic;
  Win32BalloonWindow balloon;
  ASSERT_TRUE(balloon.create(logic));
  EXPECT_EQ(1, count_of(logic.seen, WM_NCCREATE)) << "from its creation on";
  const HWND window = FindWindowW(Win32BalloonWindow::class_name(), nullptr);
  ASSERT_NE(nullptr, window);
  EXPECT_EQ(77, SendMessageW(window, WM_APP + 6, 0, 0));
  const int moves = count_of(logic.seen, WM_MOVE), sizes = count_of(logic.seen, WM_SIZE);
  balloon.move_window({10, 10, 110, 60}, false);
  EXPECT_EQ(moves + 1, count_of(logic.seen, WM_MOVE));
  EXPECT_EQ(sizes + 1, count_of(logic.seen, WM_SIZE));
  // Once the logic has gone, the window has the default processing only.
  balloon.detach();
  const std::size_t seen = logic.seen.size();
  EXPECT_EQ(0, SendMessageW(window, WM_APP + 6, 0, 0));
  EXPECT_EQ(seen, logic.seen.size());
}

}  // namespace
