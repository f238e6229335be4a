#include "unattended.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "environment.h"
#include "exit_codes.h"
#include "localized_text.h"
#include "operations/certificate.h"
#include "operations/cleanup.h"
#include "operations/model_catalogue.h"
#include "operations/step_log.h"
#include "platform/util/format.h"
#include "platform/util/text.h"
#include "platform/util/windowless_dialog_host.h"
#include "resources/pelmora_ids.h"
#include "settings.h"
#include "step_sequence.h"
#include "success_marker.h"

namespace pelmora {

namespace {

std::u16string ActionText(const CommandSwitches& switches) {
  switch (switches.action) {
    case UnattendedAction::Usb:
      return platform::format(u"USB, wait %d s", {switches.waitSeconds});
    case UnattendedAction::Network:
      return u"network " + Quoted(switches.network);
    case UnattendedAction::Remove:
      return u"remove";
    case UnattendedAction::None:
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

// Moves the clock on to `due_ms`, where a timer fires next.
void SleepUntil(platform::Clock& clock, std::uint64_t due_ms) {
  const std::uint64_t now = clock.now_ms();
  if (due_ms > now) clock.sleep(static_cast<std::uint32_t>(due_ms - now));
}

// The selection dialog's host in a run: the windowless host with a control
// state made the first time a control is named; its timers run on the
// clock while RunTimers runs; its message boxes are logged and answered
// unseen.
class SelectionHost : public platform::WindowlessDialogHost {
 public:
  using MessageBoxSink = std::function<int(const platform::MessageBoxRecord& box)>;
  SelectionHost(platform::Clock& clock, MessageBoxSink sink)
      : WindowlessDialogHost(clock, Controls::OnDemand), sink_(std::move(sink)) {}

  // Nothing waits in a queue: a close ends the dialog at once, and nothing
  // else is ever posted to it.
  bool post_message(std::uint32_t message, std::uintptr_t, std::intptr_t) override {
    if (message != platform::kWmClose) return false;
    end_dialog(platform::kIdCancel);
    return true;
  }
  void pump_messages() override {}

  // Waits for the timers in deadline order and dispatches WM_TIMER for
  // each, until the dialog ends or no timer is left.
  void RunTimers(const std::function<void(const platform::WindowMessage&)>& dispatch) {
    while (const auto next = take_next_timer()) {
      SleepUntil(clock_, next->due_ms);
      dispatch(platform::WindowMessage::timer(next->key));
    }
  }

 protected:
  int answer_message_box(const platform::MessageBoxRecord& box) override { return sink_(box); }

 private:
  MessageBoxSink sink_;
};

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

// The wizard's closing line, where a run stops.
constexpr char16_t kStoppedInStep1[] = u"stopped in Step 1";
constexpr char16_t kStoppedInStep2[] = u"stopped in Step 2";
constexpr char16_t kStoppedBeforeQueue[] = u"stopped before the printer's queue appeared";
constexpr char16_t kInstallationComplete[] = u"installation complete";

}  // namespace

// The run's last line and the pre-install worker's report, shared with the
// worker's thread: whichever thread ends the run writes the last line, once.
class UnattendedRun::Ending : public PreinstallReport {
 public:
  Ending(platform::Processes& processes, std::shared_ptr<InstallLog> log, ConsoleWriter console)
      : processes_(processes), log_(std::move(log)), console_(std::move(console)) {}

  // Writes the last line with `code` (once; later calls return the first
  // code) and returns the code.
  std::uint32_t Finish(std::uint32_t code, std::u16string_view outcome) {
    std::lock_guard lock(mutex_);
    if (finished_) return code_;
    finished_ = true;
    // Whatever the step made of it, a child that was ended decides the code.
    std::u16string said(outcome);
    if (log_->ProgramEnded()) {
      code = kExitChildTimeout;
      said = u"a program the installer started did not end within its limit and was ended; " + said;
    }
    code_ = code;
    const std::u16string action = platform::format(u"exit code %u", {code});
    log_->Write(u"end", action, said + log_->ProcessSuffix());
    log_->Close();
    if (console_) console_(u"Pelmora: " + action + u": " + said + u"\r\n");
    return code;
  }
  std::uint32_t code() {
    std::lock_guard lock(mutex_);
    return code_;
  }
  const ConsoleWriter& console() const { return console_; }
  // The log's area for what happens now: start, step1, step2 or step3.
  std::u16string Area() const {
    const int now = step.load();
    return now == 0 ? std::u16string(u"start") : platform::format(u"step%d", {now});
  }

  // PreinstallReport
  void Succeeded() override { succeeded = true; }
  int ShowMessageBox(std::u16string_view text, std::u16string_view caption,
                     std::uint32_t flags) override {
    log_->Write(Area(), u"message-box " + Quoted(caption),
                u"not shown, answered as OK: " + std::u16string(text));
    return AnswerUnseen(flags);
  }
  void EndProcess(std::uint32_t) override {
    // (A pre-install tool that was ended makes it kExitChildTimeout.)
    const std::uint32_t exit_code =
        Finish(kExitPreinstallFailed, u"the driver package could not be pre-installed");
    ended = true;
    processes_.exit_current_process(exit_code);
  }

  std::atomic<int> step{0};
  std::atomic<bool> succeeded{false};
  std::atomic<bool> ended{false};

 private:
  platform::Processes& processes_;
  std::shared_ptr<InstallLog> log_;
  ConsoleWriter console_;
  std::mutex mutex_;
  bool finished_ = false;
  std::uint32_t code_ = 0;
};

UnattendedRun::UnattendedRun(platform::Platform& system, WizardSteps& steps,
                             CommandSwitches switches, ConsoleWriter console)
    : StepContext(system.threads),
      system_(system),
      steps_(steps),
      switches_(std::move(switches)),
      log_(std::make_shared<InstallLog>(system)),
      ending_(std::make_shared<Ending>(system.processes, log_, std::move(console))) {}

UnattendedRun::~UnattendedRun() = default;

void UnattendedRun::SetStatusText(std::u16string_view text) {
  ++status_writes_;
  status_ = text;
}

int UnattendedRun::ShowMessageBox(std::u16string_view text, std::u16string_view caption,
                                  std::uint32_t flags) {
  return ending_->ShowMessageBox(text, caption, flags);
}

const char16_t* UnattendedRun::Text(int row) const {
  return GetLocalizedText(row, language_index_);
}

std::shared_ptr<PreinstallReport> UnattendedRun::WorkerReport() { return ending_; }

std::uint32_t UnattendedRun::End(std::uint32_t code, std::u16string_view outcome,
                                 std::u16string_view stopped) {
  std::u16string why(outcome);
  code = WithRestart(code, restartNeeded);
  // A program that was ended decides the code (Finish): never a success.
  const bool succeeded =
      !log_->ProgramEnded() &&
      (code == kExitSuccess || code == kExitRebootRequired || code == kExitStaged);
  // A run that succeeded checks that the spooler runs and then marks its
  // success, its last act.
  if (succeeded && !SpoolerRunsAtTheEnd(system_, *log_)) {
    code = kExitSpoolerStopped;
    why = u"the print spooler is not running";
  }
  if (switches_.action == UnattendedAction::Remove) {
    // Step 1 deleted the marker.
  } else if (succeeded && code != kExitSpoolerStopped) {
    const std::u16string connection =
        switches_.action == UnattendedAction::Network
            ? u"Network " + std::u16string(platform::view_of(networkAddress))
            : std::u16string(u"USB");
    if (WriteSuccessMarker(system_, *log_, u"end", {modelIndex, connection, code}))
      why += u"; the success marker could not be written";
  }
  // The wizard's own closing line says where the run stopped.
  log_->Write(u"end", u"Pelmora", std::u16string(stopped) + log_->ProcessSuffix());
  return ending_->Finish(code, why);
}

bool UnattendedRun::FindNetworkPrinter() {
  const int effective = EffectiveModelIndex(modelIndex);
  const std::uint32_t expected = ModelCatalogue[effective].productId;
  NetworkSelection selection;
  if (!steps_.SelectNetworkPrinter(*this, GetSelectionFamilyName(effective), expected,
                                   &selection) ||
      selection.address.empty())
    return false;
  // A printer named by its id or address is looked up directly, past the
  // list's family filter, and nobody checks the choice: a printer of another
  // family would get a driver that is not its own, so it counts as not
  // found.
  if (!IsSameProductFamily(selection.productId, expected)) {
    log_->Write(u"step3", u"select-printer " + Quoted(selection.address),
                platform::format(u"refused: a printer of another family (product %04X, expected "
                                 u"%04X)",
                                 {selection.productId, expected}));
    return false;
  }
  platform::copy_truncated(networkAddress, selection.address);
  networkPortNumber = selection.portNumber;
  if (selection.detectedModelIndex >= 1 && selection.detectedModelIndex <= 14)
    modelIndex = selection.detectedModelIndex;
  return true;
}

bool UnattendedRun::WaitForWorker() {
  // The wizard looks once a second; after the worker's success it shows a
  // full progress bar for two seconds.
  platform::Clock& clock = system_.clock;
  const std::uint64_t start = clock.now_ms();
  for (std::uint64_t tick = 1; !ending_->ended; ++tick) {
    SleepUntil(clock, start + tick * 1000);
    if (ending_->succeeded) {
      clock.sleep(2000);
      return true;
    }
  }
  return false;
}

std::uint32_t UnattendedRun::WaitForQueue() {
  log_->Write(u"step3", u"StartInstall \"USB\"", u"ok");
  // The wizard's look each second: the queue, else a scan, so that Plug and
  // Play installs a printer just plugged in.
  auto found = [this] {
    if (!OpenAwaitedQueue(*this)) return false;
    LogFinished(*this);
    RefreshPrinterWindows(system_);
    return true;
  };
  auto look = [&] {
    if (found()) return true;
    ScanForDevices(system_.devices);
    return false;
  };
  if (switches_.waitSeconds == 0) {
    // One look and one scan, so a printer already plugged in is found by
    // Plug and Play; after that it installs whenever it is plugged in. A
    // queue the scan itself made counts: the printer is installed.
    return look() || found()
               ? End(kExitSuccess, kInstallationComplete, kInstallationComplete)
               : End(kExitStaged,
                     u"driver package staged: Plug and Play installs the printer when it is "
                     u"plugged in",
                     kStoppedBeforeQueue);
  }
  const std::uint64_t start = system_.clock.now_ms();
  const std::uint64_t deadline = start + static_cast<std::uint64_t>(switches_.waitSeconds) * 1000;
  for (std::uint64_t due = start + 1000; due <= deadline; due += 1000) {
    SleepUntil(system_.clock, due);
    if (look()) return End(kExitSuccess, kInstallationComplete, kInstallationComplete);
  }
  // The last scan may have made the queue.
  if (found()) return End(kExitSuccess, kInstallationComplete, kInstallationComplete);
  return End(kExitQueueTimeout,
             platform::format(u"no print queue within %d s", {switches_.waitSeconds}),
             kStoppedBeforeQueue);
}

std::uint32_t UnattendedRun::Run() {
  const std::uint32_t session = system_.system.session_id();
  startMonitor = session != 0;
  unattended = true;
  log_->namesExitCode = false;
  UseLogSwitch(*log_, switches_, ending_->console());

  // The wizard's start: its settings (the language search sees only the
  // command line's language words), its start line, Step 1's page.
  bool file_found = false;
  const Settings settings = ReadSettings(system_.shell, switches_.languageText, &file_found);
  language_index_ = settings.languageIndex;
  modelIndex = settings.modelIndex;
  if (switches_.model >= 0 && switches_.model <= MODEL_NONE)
    modelIndex = switches_.model;
  else if (switches_.action == UnattendedAction::Remove)
    modelIndex = MODEL_NONE;  // every trace of every model
  LogInstallerStart(*this, language_index_);
  const bool administrator = EnterStep1(*this);
  if (administrator) SetStatusText(Text(kTextStep1Status));
  log_->Write(u"start", u"unattended " + Quoted(system_.system.argument_text()),
              platform::format(u"%s, session %u", {ActionText(switches_), session}) +
                  log_->ProcessSuffix());
  // Where the model came from: one printer needs one model.
  const bool network = switches_.action == UnattendedAction::Network;
  const bool installs = switches_.action == UnattendedAction::Usb || network;
  const std::u16string file = file_found ? u"found" : u"not found";
  if (switches_.model >= 0) {
    log_->Write(u"start", u"settings \"/model\"",
                platform::format(u"model %d from the command line; Pelmora.ini %s in the "
                                 u"current folder",
                                 {switches_.model, file}));
  } else if (modelIndex < kModelCount) {
    log_->Write(u"start", u"settings \"Pelmora.ini\"",
                platform::format(u"model %d from the file in the current folder", {modelIndex}));
  } else {
    log_->Write(u"start", u"settings \"Pelmora.ini\"",
                std::u16string(file_found ? u"found in the current folder, without a model"
                                          : u"not found in the current folder") +
                    (installs ? u"" : u"; every model's installation is removed"));
    if (installs)
      return End(kExitBadCommandLine,
                 u"no model: give /model N, or start the installer in the folder of a "
                 u"Pelmora.ini with its MODEL: line",
                 kStoppedInStep1);
  }
  if (session == 0)
    log_->Write(u"start", u"session 0",
                u"Tessaly is not started; its Run value starts it at the next logon");
  if (!administrator)
    return End(kExitNotAdministrator, u"not run by a member of the Administrators group",
               kStoppedInStep1);
  // The network printer is looked up before anything is removed: a printer
  // that is not there, or not of the model's family, changes nothing.
  if (network && !FindNetworkPrinter())
    return End(kExitPrinterNotFound,
               u"the network printer " + Quoted(switches_.network) + u" was not found",
               kStoppedInStep1);

  ending_->step = 1;
  if (!RunLogged(*this, u"step1", u"RunCleanupStep",
                 [this] { return steps_.RunCleanupStep(*this); }))
    return End(kExitRemovalFailed, u"the removal of earlier installations failed: " + status_,
               kStoppedInStep1);
  SetStatusText(Text(kTextStep2Status));
  if (switches_.action == UnattendedAction::Remove) {
    // Step 2 trusted the maker's certificate; a removal takes it back.
    char16_t folder[260] = {};  // MAX_PATH, as the steps read it
    GetInstallerDirectory(system_.system, folder, 260);
    RemoveMakerCertificate(system_, *log_, folder);
    return End(kExitSuccess, u"earlier installations removed", kStoppedInStep2);
  }

  ending_->step = 2;
  const bool prepared = RunLogged(*this, u"step2", u"RunPreparationStep",
                                  [this] { return steps_.RunPreparationStep(*this); });
  // The worker ended the run from its thread.
  if (ending_->ended) return ending_->code();
  if (!prepared)
    return End(kExitPreparationFailed, u"the preparation failed: " + status_, kStoppedInStep2);
  // Without a worker nothing will ever report: the run would wait for ever.
  if (!workerThread && !ending_->succeeded)
    return End(kExitPreinstallFailed, u"the driver package pre-install did not start",
               u"stopped while the driver package was pre-installed");
  if (!WaitForWorker()) return ending_->code();

  ending_->step = 3;
  RemoveStaleDevices(*this, steps_);
  if (!network) return WaitForQueue();
  if (!StartNetworkInstall(*this, steps_))
    return networkPortMade
               ? End(kExitQueueNotCreated, u"the driver or the print queue was not installed",
                     u"stopped after the printer's installation failed")
               : End(kExitPortNotCreated, u"the TCP/IP port was not created",
                     u"stopped after the printer's installation failed");
  // The wizard's thirty ticks of 500 ms, the shell's printer windows
  // refreshed at the first.
  const std::uint64_t start = system_.clock.now_ms();
  for (std::uint64_t tick = 1; tick <= 30; ++tick) {
    SleepUntil(system_.clock, start + tick * 500);
    if (tick == 1) RefreshPrinterWindows(system_);
  }
  LogFinished(*this);
  return End(kExitSuccess, kInstallationComplete, kInstallationComplete);
}

int UnattendedRun::RunSelection(int, platform::DialogLogic& logic, platform::WindowRef) {
  SelectionHost select(system_.clock, [this](const platform::MessageBoxRecord& box) {
    return ShowMessageBox(box.text, box.caption, box.flags);
  });
  logic.attach(&select);
  logic.OnInitDialog();
  // The dialog lists the printers once, from its first timer.
  select.RunTimers([&logic](const platform::WindowMessage& m) { logic.handle_message(m); });
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
  log_->Write(ending_->Area(), u"select-printer " + Quoted(chosen),
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
  UnattendedRun run(system, steps, switches, console);
  if (prepare) prepare(run);
  bool ran = false;
  bool another_run = false;
  std::uint32_t code = 0;
  services.report_another_run = [&] { another_run = true; };
  // Start-up is the wizard's (run mutex, sockets, channel lock); where the
  // wizard would open, the run goes instead.
  services.run_headless = [&] {
    ran = true;
    code = run.Run();
    return code;
  };
  CPelmoraApp app(system, steps, std::move(services));
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
