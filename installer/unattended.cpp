#include "unattended.h"

#include <algorithm>

#include "environment.h"
#include "operations/certificate.h"
#include "operations/cleanup.h"
#include "operations/model_catalogue.h"
#include "pelmora_dlg.h"
#include "platform/util/format.h"
#include "platform/util/text.h"
#include "success_marker.h"
#include "unattended_ports.h"

namespace pelmora {

namespace {

std::u16string ActionText(const CommandSwitches& switches) {
  switch (switches.action) {
    case UnattendedAction::kUsb:
      return platform::format(u"USB, wait %d s", {switches.waitSeconds});
    case UnattendedAction::kNetwork:
      return u"network " + Quoted(switches.network);
    case UnattendedAction::kRemove:
      return u"remove";
    case UnattendedAction::kNone:
      break;
  }
  return u"none";
}

// The id and the address of a selection line "<name>  [<id> : <address>]".
void SplitDescription(std::u16string_view line, std::u16string* id, std::u16string* address) {
  const std::size_t open = line.rfind(u'[');
  if (open == std::u16string_view::npos) return;
  std::u16string_view inside = line.substr(open + 1);
  if (!inside.empty() && inside.back() == u']') inside.remove_suffix(1);
  const std::size_t colon = inside.find(u':');
  std::u16string_view left = inside.substr(0, colon);
  while (!left.empty() && left.back() == u' ') left.remove_suffix(1);
  *id = std::u16string(left);
  if (colon == std::u16string_view::npos) return;
  std::u16string_view right = inside.substr(colon + 1);
  while (!right.empty() && right.front() == u' ') right.remove_prefix(1);
  *address = std::u16string(right);
}

// Whether the print spooler runs, once it has left a pending state. A state
// that cannot be read is logged and not held against the run.
bool SpoolerRunsAtTheEnd(platform::Platform& platform, InstallLog& log) {
  std::uint32_t state = 0;
  if (const platform::Win32Error error = SettledSpoolerState(platform, &state)) {
    log.Write(u"end", u"service \"Spooler\"", u"state unknown, " + ErrorResult(error));
    return true;
  }
  if (state == platform::kServiceRunning) return true;
  log.Write(u"end", u"service \"Spooler\"", platform::format(u"not running, state %u", {state}));
  return false;
}

}  // namespace

// ---- HeadlessHost ----

int HeadlessHost::answer_message_box(const platform::MessageBoxRecord& box) {
  if (sink_) sink_(box.text, box.caption);
  return AnswerUnseen(box.flags);
}

bool HeadlessHost::RunTimers(const std::function<void(const platform::WindowMessage&)>& dispatch,
                             const std::function<bool()>& done, std::uint64_t deadline_ms) {
  for (;;) {
    if (done()) return true;
    const auto next = deadline_ms != 0 ? take_next_timer(deadline_ms) : take_next_timer();
    if (!next) return false;
    const std::uint64_t now = clock_.now_ms();
    if (next->due_ms > now) clock_.sleep(static_cast<std::uint32_t>(next->due_ms - now));
    dispatch(platform::WindowMessage::timer(next->key));
  }
}

// ---- UnattendedRun ----

UnattendedRun::UnattendedRun(platform::Platform& system, CommandSwitches switches,
                             ConsoleWriter console)
    : system_(system), switches_(std::move(switches)), console_(std::move(console)) {
  ports_ = std::make_unique<Ports>(system_, *this);
  host_ = std::make_unique<HeadlessHost>(
      system_.clock, [this](std::u16string_view text, std::u16string_view caption) {
        LogMessageBox(text, caption);
      });
}

UnattendedRun::~UnattendedRun() = default;

namespace {

// The log /log names, its missing folders made. Where it cannot be written
// there, the lines go to the default log, which says why, and so does the
// console.
void UseLogSwitch(InstallLog& log, const CommandSwitches& switches, const ConsoleWriter& console) {
  if (switches.logPath.empty()) return;
  const std::u16string reason = log.UseRequestedPath(switches.logPath);
  if (reason.empty()) return;
  log.Write(u"start", u"log " + Quoted(switches.logPath),
            u"not used, " + reason + u"; the lines go to this log instead");
  if (console)
    console(u"Pelmora: the log " + Quoted(switches.logPath) + u" cannot be written (" + reason +
            u"); the log is " + Quoted(log.Path()) + u"\r\n");
}

}  // namespace

platform::Platform& UnattendedRun::platform() { return ports_->platform; }

std::u16string UnattendedRun::Area() const {
  const int step = step_.load();
  return step == 0 ? std::u16string(u"start") : platform::format(u"step%d", {step});
}

void UnattendedRun::LogMessageBox(std::u16string_view text, std::u16string_view caption) {
  if (dialog_ == nullptr) return;
  dialog_->log().Write(Area(), u"message-box " + Quoted(caption),
                       u"not shown, answered as OK: " + std::u16string(text));
}

std::uint32_t UnattendedRun::Finish(std::uint32_t code, std::u16string_view outcome) {
  std::lock_guard lock(finish_mutex_);
  if (finished_) return finished_code_;
  finished_ = true;
  // Whatever the step made of it, a child that was ended decides the code.
  std::u16string said(outcome);
  if (ports_->processes.child_timed_out) {
    code = kExitChildTimeout;
    said = u"a program the installer started did not end within its limit and was ended; " + said;
  }
  finished_code_ = code;
  const std::u16string action = platform::format(u"exit code %u", {code});
  if (dialog_ != nullptr) {
    dialog_->log().Write(u"end", action, said + dialog_->log().ProcessSuffix());
    dialog_->log().Close();
  }
  if (console_) console_(u"Pelmora: " + action + u": " + said + u"\r\n");
  return code;
}

std::uint32_t UnattendedRun::Run(CPelmoraDlg& dialog) {
  dialog_ = &dialog;
  dialog.attach(host_.get());
  auto dispatch = [&dialog](const platform::WindowMessage& m) { dialog.handle_message(m); };
  if (switches_.model >= 0)
    dialog.commandLineModel = switches_.model;
  else if (switches_.action == UnattendedAction::kRemove)
    dialog.commandLineModel = MODEL_NONE;  // every trace of every model
  const std::uint32_t session = system_.system.session_id();
  dialog.startMonitor = session != 0;
  dialog.unattended = true;
  dialog.log().namesExitCode = false;
  UseLogSwitch(dialog.log(), switches_, console_);

  dialog.OnInitDialog();
  dialog.log().Write(u"start", u"unattended " + Quoted(system_.system.argument_text()),
                     platform::format(u"%s, session %u", {ActionText(switches_), session}) +
                         dialog.log().ProcessSuffix());
  auto status = [&] { return host_->text(IDC_STATUS); };
  // The wizard's own closing line, then the code. A run that succeeded
  // checks that the spooler runs and then marks its success, its last act.
  auto end = [&](std::uint32_t code, std::u16string_view outcome) {
    std::u16string why(outcome);
    code = WithRestart(code, dialog.restartNeeded);
    // A program that was ended decides the code (Finish): never a success.
    const bool succeeded =
        !ports_->processes.child_timed_out &&
        (code == kExitSuccess || code == kExitRebootRequired || code == kExitStaged);
    if (succeeded && !SpoolerRunsAtTheEnd(system_, dialog.log())) {
      code = kExitSpoolerStopped;
      why = u"the print spooler is not running";
    }
    if (switches_.action == UnattendedAction::kRemove) {
      // Step 1 deleted the marker.
    } else if (succeeded && code != kExitSpoolerStopped) {
      const std::u16string connection =
          dialog.connection.empty() ? std::u16string(u"USB") : dialog.connection;
      if (WriteSuccessMarker(system_, dialog.log(), u"end", {dialog.modelIndex, connection, code}))
        why += u"; the success marker could not be written";
    }
    dialog.OnDestroy();
    return Finish(code, why);
  };
  // Where the model came from: one printer needs one model.
  const bool installs =
      switches_.action == UnattendedAction::kUsb || switches_.action == UnattendedAction::kNetwork;
  const std::u16string file = dialog.settingsFileFound ? u"found" : u"not found";
  if (switches_.model >= 0) {
    dialog.log().Write(u"start", u"settings \"/model\"",
                       platform::format(u"model %d from the command line; Pelmora.ini %s in the "
                                        u"current folder",
                                        {switches_.model, file}));
  } else if (dialog.modelIndex < kModelCount) {
    dialog.log().Write(
        u"start", u"settings \"Pelmora.ini\"",
        platform::format(u"model %d from the file in the current folder", {dialog.modelIndex}));
  } else {
    dialog.log().Write(
        u"start", u"settings \"Pelmora.ini\"",
        std::u16string(dialog.settingsFileFound ? u"found in the current folder, without a model"
                                                : u"not found in the current folder") +
            (installs ? u"" : u"; every model's installation is removed"));
    if (installs)
      return end(kExitBadCommandLine,
                 u"no model: give /model N, or start the installer in the folder of a "
                 u"Pelmora.ini with its MODEL: line");
  }
  if (session == 0)
    dialog.log().Write(u"start", u"session 0",
                       u"Tessaly is not started; its Run value starts it at the next logon");
  if (!host_->is_enabled(IDC_NEXT))
    return end(kExitNotAdministrator, u"not run by a member of the Administrators group");
  // The network printer is looked up before anything is removed: a printer
  // that is not there, or not of the model's family, changes nothing.
  const bool network = switches_.action == UnattendedAction::kNetwork;
  if (network) {
    host_->set_check(IDC_PORT_USB, false);
    host_->set_check(IDC_PORT_TCPIP, true);
    dialog.OnNetworkPort();
    if (!host_->is_checked(IDC_PORT_TCPIP))
      return end(kExitPrinterNotFound,
                 u"the network printer " + Quoted(switches_.network) + u" was not found");
    host_->set_check(IDC_PORT_USB, true);
    host_->set_check(IDC_PORT_TCPIP, false);
  }

  step_ = 1;
  dialog.OnNext();
  if (dialog.wizardState != WIZ_STEP2)
    return end(kExitRemovalFailed, u"the removal of earlier installations failed: " + status());
  if (switches_.action == UnattendedAction::kRemove) {
    // Step 2 trusted the maker's certificate; a removal takes it back.
    char16_t folder[260] = {};  // MAX_PATH, as the steps read it
    GetInstallerDirectory(system_.system, folder, 260);
    RemoveMakerCertificate(system_, dialog.log(), folder);
    return end(kExitSuccess, u"earlier installations removed");
  }

  step_ = 2;
  dialog.OnNext();
  if (ports_->processes.exited) return finished_code_;
  if (dialog.wizardState != WIZ_PACKAGE_WAIT)
    return end(kExitPreparationFailed, u"the preparation failed: " + status());
  // Without a worker nothing will ever enable the button: the wizard would
  // wait for ever.
  if (!dialog.workerThread && !host_->is_enabled(IDC_CANCEL_BUTTON))
    return end(kExitPreinstallFailed, u"the driver package pre-install did not start");
  host_->RunTimers(
      dispatch, [&] { return dialog.wizardState == WIZ_STEP3 || ports_->processes.exited.load(); });
  if (ports_->processes.exited) return finished_code_;
  if (dialog.wizardState != WIZ_STEP3)
    return end(kExitPreinstallFailed, u"the driver package was not pre-installed");

  step_ = 3;
  if (network) {
    // The printer found before Step 1.
    host_->set_check(IDC_PORT_USB, false);
    host_->set_check(IDC_PORT_TCPIP, true);
  }
  dialog.OnNext();
  auto finished = [&] { return host_->is_enabled(IDC_NEXT); };
  if (network) {
    host_->RunTimers(dispatch, finished);
    if (!ports_->print_server.port_added)
      return end(kExitPortNotCreated, u"the TCP/IP port was not created");
    if (!ports_->print_server.queue_added)
      return end(kExitQueueNotCreated, u"the driver or the print queue was not installed");
    return end(kExitSuccess, u"installation complete");
  }
  if (switches_.waitSeconds == 0) {
    // One look and one scan, so a printer already plugged in is found by
    // Plug and Play; after that it installs whenever it is plugged in.
    dialog.OnTimer(TIMER_QUEUE_POLL);
    return finished() ? end(kExitSuccess, u"installation complete")
                      : end(kExitStaged,
                            u"driver package staged: Plug and Play installs the printer when "
                            u"it is plugged in");
  }
  const std::uint64_t deadline =
      system_.clock.now_ms() + static_cast<std::uint64_t>(switches_.waitSeconds) * 1000;
  if (!host_->RunTimers(dispatch, finished, deadline))
    return end(kExitQueueTimeout,
               platform::format(u"no print queue within %d s", {switches_.waitSeconds}));
  return end(kExitSuccess, u"installation complete");
}

int UnattendedRun::RunSelection(int, platform::DialogLogic& logic, platform::DialogHost&) {
  HeadlessHost select(system_.clock, [this](std::u16string_view text, std::u16string_view caption) {
    LogMessageBox(text, caption);
  });
  logic.attach(&select);
  auto dispatch = [&logic](const platform::WindowMessage& m) { logic.handle_message(m); };
  logic.OnInitDialog();
  // The dialog lists the printers once, from its first timer.
  select.RunTimers(dispatch, [] { return false; });
  std::u16string chosen = u"[" + switches_.network + u"]";
  for (const std::u16string& line : select.combo_items(IDC_PRINTER_COMBO)) {
    std::u16string id, address;
    SplitDescription(line, &id, &address);
    if (id == switches_.network || (!address.empty() && address == switches_.network)) {
      chosen = line;
      break;
    }
  }
  select.set_text(IDC_PRINTER_COMBO, chosen);
  if (dialog_ != nullptr)
    dialog_->log().Write(
        Area(), u"select-printer " + Quoted(chosen),
        platform::format(u"%d listed",
                         {static_cast<int>(select.combo_items(IDC_PRINTER_COMBO).size())}));
  if (!select.ended()) logic.handle_message(platform::WindowMessage::command(platform::kIdOk, 0));
  // A description the dialog refuses keeps it open: nobody can type another.
  return select.ended() ? select.end_result() : platform::kIdCancel;
}

std::uint32_t ReportCommandLine(platform::Platform& platform, const CommandSwitches& switches,
                                const ConsoleWriter& console, std::u16string_view nobody) {
  InstallLog log(platform);
  UseLogSwitch(log, switches, console);
  const std::u16string arguments = platform.system.argument_text();
  const std::uint32_t code = switches.error.empty() ? kExitSuccess : kExitBadCommandLine;
  std::u16string shown;
  if (!switches.error.empty()) {
    // However long the command line, the reason stays on the line.
    constexpr std::size_t kShownArguments = 200;
    const std::u16string shown_arguments = arguments.size() > kShownArguments
                                               ? arguments.substr(0, kShownArguments) + u"..."
                                               : arguments;
    log.Write(u"start", u"command-line " + Quoted(shown_arguments),
              u"refused: " + switches.error + log.ProcessSuffix());
    shown = u"Pelmora: " + switches.error + u"\r\n\r\n";
  }
  std::u16string_view usage(kUsageText);
  while (!usage.empty()) {
    const std::size_t end = usage.find(u"\r\n");
    const std::u16string_view line = usage.substr(0, end);
    if (!line.empty()) log.Write(u"start", u"usage", line);
    usage = end == std::u16string_view::npos ? std::u16string_view() : usage.substr(end + 2);
  }
  shown += kUsageText;
  // Someone started the program by hand and can answer. A text that asks
  // for quiet in any spelling never shows a box, nor does a process whose
  // windows nobody sees.
  if (!switches.quietAsked && !nobody.empty())
    log.Write(u"start", u"message-box \"Pelmora\"", u"not shown, " + std::u16string(nobody));
  const std::u16string end = platform::format(u"exit code %u", {code});
  log.Write(
      u"end", end,
      (switches.error.empty() ? u"usage shown" : u"invalid command line") + log.ProcessSuffix());
  if (console) console(shown);
  if (!switches.quietAsked && nobody.empty())
    platform.desktop.message_box(shown, u"Pelmora", platform::kMbOk);
  return code;
}

std::uint32_t ReportAnotherRun(platform::Platform& platform, const CommandSwitches& switches,
                               const ConsoleWriter& console) {
  InstallLog log(platform);
  if (!switches.logPath.empty()) log.SetPath(switches.logPath);
  log.Write(
      u"start", u"unattended " + Quoted(platform.system.argument_text()),
      platform::format(u"%s, session %u", {ActionText(switches), platform.system.session_id()}) +
          log.ProcessSuffix());
  log.Write(u"start", u"run-mutex " + Quoted(kRunMutexName), u"held by another run");
  const std::u16string action = platform::format(u"exit code %u", {kExitAnotherRun});
  constexpr std::u16string_view kOutcome = u"another installation is running";
  log.Write(u"end", action, std::u16string(kOutcome) + log.ProcessSuffix());
  if (console) console(u"Pelmora: " + action + u": " + std::u16string(kOutcome) + u"\r\n");
  return kExitAnotherRun;
}

std::uint32_t RunUnattendedProgram(platform::Platform& system, WizardSteps& steps,
                                   StartupServices services, const CommandSwitches& switches,
                                   const ConsoleWriter& console,
                                   const std::function<void(UnattendedRun&)>& prepare) {
  if (!switches.error.empty() || switches.help)
    return ReportCommandLine(system, switches, console,
                             switches.quietAsked ? u"" : NobodyToAnswer(system.system));
  UnattendedRun run(system, switches, console);
  if (prepare) prepare(run);
  bool ran = false;
  bool another_run = false;
  std::uint32_t code = 0;
  services.report_another_run = [&] { another_run = true; };
  services.headless = true;
  // The dialog that start-up makes is driven here instead of shown.
  services.run_modal = [&](platform::DialogLogic& logic) {
    ran = true;
    code = run.Run(static_cast<CPelmoraDlg&>(logic));
    return platform::kIdOk;
  };
  CPelmoraApp app(run.platform(), steps, std::move(services));
  app.InitInstance();
  app.ExitInstance();
  if (another_run) return ReportAnotherRun(system, switches, console);
  if (!ran) {
    // Start-up ended before the wizard (Windows Sockets did not start).
    InstallLog log(system);
    UseLogSwitch(log, switches, console);
    code = kExitNoSockets;
    log.Write(u"end", platform::format(u"exit code %u", {code}),
              u"the installer could not start (Windows Sockets)" + log.ProcessSuffix());
    if (console) console(u"Pelmora: the installer could not start (Windows Sockets)\r\n");
  }
  return code;
}

std::uint32_t RunInstallerProgram(platform::Platform& system, WizardSteps& steps,
                                  StartupServices services, const ConsoleWriter& console,
                                  const std::function<void(UnattendedRun&)>& prepare) {
  CommandSwitches switches = ParseCommandSwitches(system.system.argument_text());
  if (!switches.present) {
    const std::u16string nobody = NobodyToAnswer(system.system);
    if (nobody.empty()) {
      CPelmoraApp app(system, steps, std::move(services));
      app.InitInstance();
      return static_cast<std::uint32_t>(app.ExitInstance());
    }
    // The wizard would wait for ever: the line is refused as one that asks
    // for no unattended run.
    switches.error = nobody + u", and the command line asks for no unattended run";
    return ReportCommandLine(system, switches, console, nobody);
  }
  return RunUnattendedProgram(system, steps, std::move(services), switches, console, prepare);
}

}  // namespace pelmora
