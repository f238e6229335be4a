// The installer's dialog template in a real window, driven through the modal
// runner and the host port.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "pelmora_ids.h"
#include "platform/dialog_host.h"
#include "platform/util/text.h"
#include "platform_win32/modal_dialog.h"
#include "platform_win32/win32_balloon_window.h"
#include "platform_win32/win32_dialog_host.h"
#include "platform_win32/win32_tray_window.h"
#include "platform_win32/windows_api.h"

// After windows.h.
#include <commctrl.h>
#include <winver.h>

namespace {

using namespace platform;
using namespace platform_win32;

// A logic whose steps the test supplies.
class ScriptedLogic : public DialogLogic {
 public:
  std::function<bool(DialogHost&)> on_init = [](DialogHost&) { return true; };
  std::function<bool(DialogHost&, const WindowMessage&)> on_message =
      [](DialogHost&, const WindowMessage&) { return false; };

  void attach(DialogHost* host) override { host_ = host; }
  bool OnInitDialog() override { return on_init(*host_); }
  MessageResult handle_message(const WindowMessage& message) override {
    seen.push_back(message);
    if (auto it = answers.find(message.message); it != answers.end()) return {true, it->second};
    return {on_message(*host_, message), 0};
  }

  HWND window() const { return static_cast<Win32DialogHost*>(host_)->window(); }
  DialogHost* host_ = nullptr;
  std::vector<WindowMessage> seen;
  std::map<std::uint32_t, std::intptr_t> answers;  // handled with these results
};

int count_of(const std::vector<WindowMessage>& seen, std::uint32_t message) {
  int count = 0;
  for (const auto& m : seen) count += m.message == message;
  return count;
}

std::u16string combo_item(HWND combo, int index) {
  wchar_t buffer[64] = {};
  if (SendMessageW(combo, CB_GETLBTEXTLEN, index, 0) >= 64) return u"(too long)";
  SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buffer));
  return from_wide(buffer);
}

// A control's place in pixels, from the template's dialog units: the dialog
// manager converts the origin and the size separately.
RECT template_rect(HWND dialog, int left, int top, int width, int height) {
  RECT origin{left, top, width, height};
  MapDialogRect(dialog, &origin);
  return RECT{origin.left, origin.top, origin.left + origin.right, origin.top + origin.bottom};
}

RECT client_rect_of(HWND dialog, int control) {
  RECT r{};
  GetWindowRect(GetDlgItem(dialog, control), &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST(Win32DialogTest, TemplateControlsAndLanguageListComeFromTheResources) {
  ScriptedLogic logic;
  std::vector<std::u16string> items;
  int selection_before = 0;
  bool scan_visible = true, status_visible = false, picture_set = false;
  std::u16string title;
  std::vector<std::pair<RECT, RECT>> places;
  LONG style = 0, ex_style = 0;
  logic.on_init = [&](DialogHost& host) {
    const HWND dialog = logic.window();
    const HWND combo = GetDlgItem(dialog, IDC_LANGUAGE);
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) items.push_back(combo_item(combo, i));
    selection_before = host.combo_selection(IDC_LANGUAGE);
    scan_visible = host.is_visible(IDC_SCAN);
    status_visible = host.is_visible(IDC_STATUS);
    picture_set = SendDlgItemMessageW(dialog, IDC_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0;
    title = host.title();
    style = GetWindowLongW(dialog, GWL_STYLE);
    ex_style = GetWindowLongW(dialog, GWL_EXSTYLE);
    places.push_back({template_rect(dialog, 102, 54, 246, 17), client_rect_of(dialog, IDC_STATUS)});
    places.push_back({template_rect(dialog, 258, 189, 90, 17), client_rect_of(dialog, IDC_NEXT)});
    places.push_back(
        {template_rect(dialog, 101, 76, 247, 8), client_rect_of(dialog, IDC_PROGRESS)});
    places.push_back({template_rect(dialog, 0, 0, 359, 41), client_rect_of(dialog, IDC_HEADER)});
    host.post_close();
    return true;
  };
  EXPECT_EQ(IDCANCEL, RunModalDialog(IDD_PELMORA_DIALOG, logic));

  EXPECT_EQ((std::vector<std::u16string>{u"English", u"Korean", u"Spanish", u"Japanese",
                                         u"Chinese(CHI)", u"Chinese(CHT)", u"Indonesian",
                                         u"Portuguese", u"Persian", u"Russian"}),
            items);
  EXPECT_EQ(-1, selection_before);
  EXPECT_FALSE(scan_visible);
  EXPECT_TRUE(status_visible);
  EXPECT_TRUE(picture_set);
  EXPECT_EQ(u"Pelmora", title);
  EXPECT_EQ(static_cast<LONG>(WS_POPUP | WS_CAPTION | WS_SYSMENU),
            style & static_cast<LONG>(WS_POPUP | WS_CAPTION | WS_SYSMENU));
  EXPECT_NE(0, ex_style & WS_EX_APPWINDOW);
  for (const auto& [expected, actual] : places) {
    EXPECT_EQ(expected.left, actual.left);
    EXPECT_EQ(expected.top, actual.top);
    EXPECT_EQ(expected.right, actual.right);
    EXPECT_EQ(expected.bottom, actual.bottom);
  }
}

TEST(Win32DialogTest, HostPortChangesTheRealControls) {
  ScriptedLogic logic;
  logic.on_init = [&](DialogHost& host) {
    const HWND dialog = logic.window();
    host.set_title(u"Pelmora  -  Card Printer");
    EXPECT_EQ(u"Pelmora  -  Card Printer", host.title());
    const std::u16string korean = u"  1 단계: 구버전 드라이버 확인";
    host.set_text(IDC_HEADER, korean);
    EXPECT_EQ(korean, host.text(IDC_HEADER));
    host.set_text(IDC_DETAILS, u"\r\n  first\r\n\r\n  second");
    EXPECT_EQ(u"\r\n  first\r\n\r\n  second", host.text(IDC_DETAILS));

    EXPECT_TRUE(host.is_enabled(IDC_NEXT));
    host.enable(IDC_NEXT, false);
    EXPECT_FALSE(host.is_enabled(IDC_NEXT));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_NEXT)));
    host.enable(IDC_NEXT, true);
    EXPECT_TRUE(host.is_enabled(IDC_NEXT));
    // An id the template does not have is simply not there.
    EXPECT_FALSE(host.is_enabled(4242));
    EXPECT_FALSE(host.is_visible(4242));
    host.set_text(4242, u"nowhere");
    EXPECT_EQ(u"", host.text(4242));

    host.show(IDC_PORT_USB, false);
    EXPECT_FALSE(host.is_visible(IDC_PORT_USB));
    host.show(IDC_PORT_USB, true);
    EXPECT_TRUE(host.is_visible(IDC_PORT_USB));

    host.set_check(IDC_PORT_USB, true);
    host.set_check(IDC_PORT_TCPIP, false);
    EXPECT_TRUE(host.is_checked(IDC_PORT_USB));
    EXPECT_FALSE(host.is_checked(IDC_PORT_TCPIP));

    host.combo_select(IDC_LANGUAGE, 3);
    EXPECT_EQ(3, host.combo_selection(IDC_LANGUAGE));
    // Outside the list: no selection, as on Windows (Wine alone would keep
    // the old selection; the host clears it itself).
    host.combo_select(IDC_LANGUAGE, 10);
    EXPECT_EQ(-1, host.combo_selection(IDC_LANGUAGE));
    host.combo_select(IDC_LANGUAGE, 9);
    host.combo_select(IDC_LANGUAGE, -5);
    EXPECT_EQ(-1, host.combo_selection(IDC_LANGUAGE));
    host.combo_add(IDC_LANGUAGE, u"Extra");
    EXPECT_EQ(11, SendDlgItemMessageW(dialog, IDC_LANGUAGE, CB_GETCOUNT, 0, 0));

    host.progress_range(IDC_PROGRESS, 0, 30);
    host.progress_position(IDC_PROGRESS, 29);
    PBRANGE range{};
    SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_GETRANGE, FALSE,
                        reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(0, range.iLow);
    EXPECT_EQ(30, range.iHigh);
    EXPECT_EQ(29, SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_GETPOS, 0, 0));
    // The bar keeps its position inside its range.
    host.progress_position(IDC_PROGRESS, 31);
    EXPECT_EQ(30, SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_GETPOS, 0, 0));
    host.progress_position(IDC_PROGRESS, -2);
    EXPECT_EQ(0, SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_GETPOS, 0, 0));

    const LRESULT first = SendDlgItemMessageW(dialog, IDC_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0);
    host.set_bitmap(IDC_PICTURE, IDB_STEP2);
    const LRESULT second = SendDlgItemMessageW(dialog, IDC_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0);
    EXPECT_NE(0, second);
    EXPECT_NE(first, second);
    host.set_bitmap(IDC_PICTURE, IDB_STEP3);
    host.set_bitmap(IDC_PICTURE, IDB_STEP2);  // shown again from the cache
    EXPECT_EQ(second, SendDlgItemMessageW(dialog, IDC_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0));
    host.set_bitmap(IDC_PICTURE, 4242);  // no such picture: the control keeps its own
    EXPECT_EQ(second, SendDlgItemMessageW(dialog, IDC_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0));

    host.post_close();
    return true;
  };
  EXPECT_EQ(IDCANCEL, RunModalDialog(IDD_PELMORA_DIALOG, logic));
}

TEST(Win32DialogTest, IconHeaderColoursFontAndPlacement) {
  ScriptedLogic logic;
  COLORREF text = 0, background = 0;
  HBRUSH brush = nullptr, plain = nullptr;
  LOGFONTW font{}, dialog_font{};
  bool have_icons = false, drag_icon = false;
  RECT window{}, work{};
  logic.on_init = [&](DialogHost& host) {
    const HWND dialog = logic.window();
    host.set_icon(IDI_PELMORA);
    have_icons = SendMessageW(dialog, WM_GETICON, ICON_BIG, 0) != 0 &&
                 SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0) != 0;
    host.set_static_colors(IDC_HEADER, 0x00FF0000, 0x000000FF);
    host.set_static_colors(IDC_HEADER, 0x00FFFFFF, 0x00FF4040);  // the second one counts
    host.set_dialog_face_font(IDC_HEADER, 16, FW_BOLD);
    host.set_dialog_face_font(IDC_HEADER, 16, FW_BOLD);  // again: the old font is let go
    const HFONT own = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    if (own) GetObjectW(own, sizeof dialog_font, &dialog_font);
    host.set_timer(1, 10);
    return true;
  };
  logic.on_message = [&](DialogHost& host, const WindowMessage& m) {
    if (m.message != kWmTimer) return false;
    host.kill_timer(1);
    const HWND dialog = logic.window();
    // Ask the dialog how it wants the header painted, as the control does.
    const HDC dc = CreateCompatibleDC(nullptr);
    brush = reinterpret_cast<HBRUSH>(
        SendMessageW(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_HEADER))));
    text = GetTextColor(dc);
    background = GetBkColor(dc);
    LOGBRUSH description{};
    if (brush) GetObjectW(brush, sizeof description, &description);
    EXPECT_EQ(0x00FF4040u, description.lbColor);
    // A static without colours of its own keeps the system's painting.
    plain = reinterpret_cast<HBRUSH>(
        SendMessageW(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_STATUS))));
    DeleteDC(dc);
    const HFONT header_font =
        reinterpret_cast<HFONT>(SendDlgItemMessageW(dialog, IDC_HEADER, WM_GETFONT, 0, 0));
    if (header_font) GetObjectW(header_font, sizeof font, &font);
    drag_icon = SendMessageW(dialog, WM_QUERYDRAGICON, 0, 0) ==
                SendMessageW(dialog, WM_GETICON, ICON_BIG, 0);
    GetWindowRect(dialog, &window);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(dialog, MONITOR_DEFAULTTOPRIMARY), &monitor);
    work = monitor.rcWork;
    host.post_close();
    return true;
  };
  EXPECT_EQ(IDCANCEL, RunModalDialog(IDD_PELMORA_DIALOG, logic));
  EXPECT_TRUE(have_icons);
  EXPECT_TRUE(drag_icon);
  ASSERT_NE(nullptr, brush);
  EXPECT_NE(brush, plain);
  EXPECT_EQ(0x00FFFFFFu, text);
  EXPECT_EQ(0x00FF4040u, background);
  // The dialog's own face (the template's, or the desk's substitute for it)
  // at the header's size and weight.
  EXPECT_EQ(16, font.lfHeight);
  EXPECT_EQ(FW_BOLD, font.lfWeight);
  EXPECT_FALSE(font.lfItalic);
  ASSERT_NE(L'\0', dialog_font.lfFaceName[0]) << "the template gives the dialog a font";
  EXPECT_EQ(from_wide(dialog_font.lfFaceName), from_wide(font.lfFaceName));
  EXPECT_NE(dialog_font.lfHeight, font.lfHeight);
  // The template places the dialog at the origin; the runner centres it.
  const LONG left_gap = window.left - work.left, right_gap = work.right - window.right;
  const LONG top_gap = window.top - work.top, bottom_gap = work.bottom - window.bottom;
  EXPECT_LE(std::abs(left_gap - right_gap), 1);
  EXPECT_LE(std::abs(top_gap - bottom_gap), 1);
  EXPECT_GT(left_gap, 0);
}

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
  EXPECT_EQ(IDOK, RunModalDialog(IDD_PELMORA_DIALOG, logic));
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
  EXPECT_EQ(IDCANCEL, RunModalDialog(IDD_PELMORA_DIALOG, escape));
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
  EXPECT_EQ(IDCANCEL, RunModalDialog(IDD_PELMORA_DIALOG, stubborn));
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
  EXPECT_EQ(IDCANCEL, RunModalDialog(IDD_PELMORA_DIALOG, logic));
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
  DWORD pump_ms = 0;
  logic.on_init = [&](DialogHost& host) {
    PostMessageW(logic.window(), WM_APP + 3, 0, 0);
    PostMessageW(logic.window(), WM_APP + 3, 0, 0);
    // A timer that falls due while the thread works fires in the pump,
    // once however many periods went by: Windows keeps one WM_TIMER
    // waiting. The pump itself may take long enough on a busy machine for
    // the timer to fall due again.
    host.set_timer(77, 10);
    Sleep(50);
    const DWORD pump_start = GetTickCount();
    host.pump_messages();
    pump_ms = GetTickCount() - pump_start;
    seen_after_pump = private_messages;
    timers_after_pump = timers;
    host.kill_timer(77);
    host.post_close();
    return true;
  };
  logic.on_message = [&](DialogHost&, const WindowMessage& m) {
    if (m.message == WM_TIMER && m.wparam == 77) ++timers;
    if (m.message != WM_APP + 3) return false;
    ++private_messages;
    return true;
  };
  EXPECT_EQ(IDCANCEL, RunModalDialog(IDD_PELMORA_DIALOG, logic));
  EXPECT_EQ(2, seen_after_pump);
  EXPECT_GE(timers_after_pump, 1);
  EXPECT_LE(timers_after_pump, 1 + static_cast<int>(pump_ms / 10) + 1);

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
      for (const auto& m : working.seen)
        delivered_in_pump = delivered_in_pump || m.message == posted.message;
      host.set_text(IDC_STATUS, u"done");
      text_after_pump = host.text(IDC_STATUS);
      return true;
    };
    EXPECT_EQ(IDCANCEL, RunModalDialog(IDD_PELMORA_DIALOG, working));
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
  int moves_before = 0, moves_after = 0;
  logic.on_init = [&](DialogHost& host) {
    host.set_icon(IDI_PELMORA);
    host.set_static_colors(IDC_HEADER, 0x00FFFFFF, 0x00FF4040);
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
  EXPECT_EQ(IDCANCEL, RunModalDialog(IDD_PELMORA_DIALOG, logic));
  EXPECT_EQ(4711, sent) << "the handler's result comes back to the sender";
  EXPECT_EQ(0x1234, drag);
  EXPECT_EQ(reinterpret_cast<LRESULT>(black), colour);
  EXPECT_EQ(moves_before + 1, moves_after);
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

std::u16string version_string(const std::vector<BYTE>& block, const wchar_t* name) {
  std::wstring path = L"\\StringFileInfo\\040904b0\\";
  path += name;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || value == nullptr) return {};
  return from_wide(static_cast<const wchar_t*>(value));
}

TEST(Win32DialogTest, VersionRecordAndCommonControlsSix) {
  // This test program carries the installer's resource script, so its
  // version record and manifest are the installer's.
  wchar_t path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
  const DWORD size = GetFileVersionInfoSizeW(path, nullptr);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, block.data()));
  EXPECT_EQ(u"Orvane", version_string(block, L"CompanyName"));
  EXPECT_EQ(u"Card Printer Driver Installer", version_string(block, L"FileDescription"));
  EXPECT_EQ(u"Card Printer Driver Installer", version_string(block, L"ProductName"));
  EXPECT_EQ(u"2.0.0.0", version_string(block, L"FileVersion"));
  EXPECT_EQ(u"2.0.0.0", version_string(block, L"ProductVersion"));
  EXPECT_EQ(u"Pelmora.exe", version_string(block, L"InternalName"));
  EXPECT_EQ(u"Pelmora.exe", version_string(block, L"OriginalFilename"));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(0x00020000u, fixed->dwFileVersionMS);
  EXPECT_EQ(0u, fixed->dwFileVersionLS);

  // The manifest binds the program to common controls 6 (a wrong
  // architecture in it would silently give version 5): the library then
  // comes from the side-by-side store. (Wine's DllGetVersion says 5 for both
  // copies, so the place is what tells them apart.)
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  const HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
  ASSERT_NE(nullptr, comctl);
  wchar_t comctl_path[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(comctl, comctl_path, MAX_PATH), 0u);
  std::u16string place = from_wide(comctl_path);
  for (auto& c : place)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  EXPECT_NE(std::u16string::npos, place.find(u"microsoft.windows.common-controls"))
      << to_utf8(place);
  EXPECT_NE(std::u16string::npos, place.find(u"_6.0.")) << to_utf8(place);
}

TEST(Win32DialogTest, MissingTemplateFailsWithoutTouchingTheLogic) {
  ScriptedLogic logic;
  bool initialised = false;
  logic.on_init = [&](DialogHost&) { return initialised = true; };
  EXPECT_EQ(-1, RunModalDialog(4242, logic));
  EXPECT_FALSE(initialised);
  EXPECT_EQ(nullptr, logic.host_);
}

}  // namespace
