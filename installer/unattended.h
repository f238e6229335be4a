// The unattended mode of Pelmora.exe: the wizard's own steps, in the same
// order and with the same log lines, driven without a window. Nothing is
// shown at any point (a message box in a session nobody sees would wait for
// ever): the dialog talks to a host without a window, message boxes go to
// the log and are answered as a user who cannot answer would, and the
// wizard's timers run on the platform clock until the run ends. Every
// outcome ends with an exit code of command_switches.h and a last log line
// that carries it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "command_switches.h"
#include "install_log.h"
#include "pelmora_app.h"
#include "platform/dialog_host.h"
#include "platform/platform.h"
#include "platform/util/timer_queue.h"

namespace pelmora {

class CPelmoraDlg;

// A dialog host without a window: control states are kept, timers wait on
// the clock while RunTimers runs, message boxes are handed to a callback
// and answered at once (OK where OK is the only button, else Cancel).
class HeadlessHost : public platform::DialogHost {
 public:
  using MessageBoxSink = std::function<void(std::u16string_view text, std::u16string_view caption)>;
  HeadlessHost(platform::Clock& clock, MessageBoxSink sink)
      : clock_(clock), sink_(std::move(sink)) {}

  void set_title(std::u16string_view title) override;
  std::u16string title() override;
  void set_text(int control, std::u16string_view text) override;
  std::u16string text(int control) override;
  void enable(int control, bool enabled) override;
  bool is_enabled(int control) override;
  void show(int control, bool visible) override;
  bool is_visible(int control) override;
  void set_check(int control, bool checked) override;
  bool is_checked(int control) override;
  void combo_add(int control, std::u16string_view item) override;
  void combo_reset(int control) override;
  void combo_select(int control, int index) override;
  int combo_selection(int control) override;
  void progress_range(int, int, int) override {}
  void progress_position(int, int) override {}
  void set_bitmap(int, int) override {}
  bool set_timer(std::uint32_t id, std::uint32_t period_ms) override;
  void kill_timer(std::uint32_t id) override;
  int message_box(std::u16string_view text, std::u16string_view caption,
                  std::uint32_t flags) override;
  // Nothing waits in a queue: a close ends the run's dialog at once, and
  // nothing else is ever posted to it.
  bool post_message(std::uint32_t message, std::uintptr_t, std::intptr_t) override {
    if (message != platform::kWmClose) return false;
    end_dialog(platform::kIdCancel);
    return true;
  }
  void end_dialog(int result) override;
  void pump_messages() override {}
  // Not a window handle: a token the run's desktop recognises, so the
  // pre-install worker can signal this host from its thread.
  std::uintptr_t window_ref() override { return reinterpret_cast<std::uintptr_t>(this); }

  // Waits for the timers in deadline order (ties in the order they were
  // set) and dispatches WM_TIMER for each, until `done` holds (true), the
  // dialog ends, no timer is left, or the clock passes `deadline_ms` when
  // that is not 0 (false).
  bool RunTimers(const std::function<void(const platform::WindowMessage&)>& dispatch,
                 const std::function<bool()>& done, std::uint64_t deadline_ms = 0);
  std::vector<std::u16string> combo_items(int control);
  bool ended() const { return ended_; }
  int result() const { return result_; }
  int message_boxes() const { return message_boxes_; }

 private:
  struct Control {
    std::u16string text;
    bool enabled = true;
    bool visible = true;
    bool checked = false;
    std::vector<std::u16string> items;
    int selection = -1;
  };
  Control& control(int id);

  platform::Clock& clock_;
  MessageBoxSink sink_;
  // The worker thread enables a button while the user-interface thread
  // reads the controls.
  std::recursive_mutex mutex_;
  std::map<int, Control> controls_;
  std::u16string title_;
  platform::TimerQueue<> timers_;
  bool ended_ = false;
  int result_ = 0;
  int message_boxes_ = 0;
};

// Where the usage text and the final line go besides the log: the console
// the program was started from, when it has one.
using ConsoleWriter = std::function<void(std::u16string_view text)>;

// One unattended run. Its platform() is the system's with four ports
// wrapped: the argument text the language search sees, the desktop (no
// message box, the worker's signal reaches the headless host), the
// processes (the worker's ending of the process carries the run's code)
// and the print server (whether the network port and queue were made).
// Build the wizard dialog over platform(), then call Run.
class UnattendedRun {
 public:
  UnattendedRun(platform::Platform& system, CommandSwitches switches, ConsoleWriter console);
  ~UnattendedRun();
  UnattendedRun(const UnattendedRun&) = delete;
  UnattendedRun& operator=(const UnattendedRun&) = delete;

  platform::Platform& platform();
  // Drives the wizard through its steps; returns the exit code.
  std::uint32_t Run(CPelmoraDlg& dialog);
  // The network printer selection without a window: the selection dialog's
  // own list and look-up, choosing the listed printer whose id or address
  // is /network's value, else typing the value as a description. Has the
  // shape of a modal dialog runner (template, logic, owner) -> result.
  int RunSelection(int template_id, platform::DialogLogic& logic, platform::DialogHost& owner);
  // Writes the last line with `code` (once; later calls return the first
  // code) and returns the code.
  std::uint32_t Finish(std::uint32_t code, std::u16string_view outcome);

 private:
  struct Ports;
  std::u16string Area() const;
  void LogMessageBox(std::u16string_view text, std::u16string_view caption);

  platform::Platform& system_;
  CommandSwitches switches_;
  ConsoleWriter console_;
  std::unique_ptr<Ports> ports_;
  std::unique_ptr<HeadlessHost> host_;
  CPelmoraDlg* dialog_ = nullptr;
  std::atomic<int> step_{0};
  // The last line is written once, by whichever thread ends the run.
  std::mutex finish_mutex_;
  bool finished_ = false;
  std::uint32_t finished_code_ = 0;
};

// A refused command line or /?: the reason and the usage text to the log
// and the console (and, without /quiet, to a message box: someone started
// the program by hand). Returns the exit code.
std::uint32_t ReportCommandLine(platform::Platform& platform, const CommandSwitches& switches,
                                const ConsoleWriter& console);

// The whole unattended program for a command line with switches: a refused
// one or /? is reported; otherwise the installer's usual start-up runs
// (sockets, channel lock) with the wizard driven by an UnattendedRun in
// place of the modal dialog. `prepare` lets the caller wire the network
// printer selection to the run. Returns the process exit code.
std::uint32_t RunUnattendedProgram(platform::Platform& system, WizardSteps& steps,
                                   StartupServices services, const CommandSwitches& switches,
                                   const ConsoleWriter& console,
                                   const std::function<void(UnattendedRun&)>& prepare);

}  // namespace pelmora
