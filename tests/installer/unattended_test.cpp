// Unattended runs of the installer on a simulated Windows with the build's
// media: every model over USB on every desk (plugged in during the wait,
// after a /wait 0 run, never), on every desk the wizard's network path and
// the unattended one followed by /remove, /remove over an earlier
// installation, each failure class
// with its exit code and last log line, every call failed in turn, and the
// command lines that are refused. Nothing is ever shown: no dialog is run
// and no message box opens.
#include "unattended.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

#include "command_switches.h"
#include "install_scenario.h"
#include "operations/installer_steps.h"
#include "pelmora_dlg.h"
#include "support/printui_stand_in.h"

namespace pelmora::testing {
namespace {

using platform::sim::SimWindows;

// What the start and end lines end with: the simulated program's process id.
const std::string kOwnProcess = ", process 3120";

struct Quiet {
  explicit Quiet(const std::u16string& arguments, const Desk& desk = kSetupDesk) {
    PrepareInstallation(win, nullptr, desk);
    win.system.arguments = arguments;
    test_support::InstallPrintUiStandIn(win);
  }
  // The printer of `row` is plugged in at the `scan`th device scan.
  void PlugAtScan(int row, int scan) {
    win.devices.on_reenumerate = [this, row, scan] {
      if (++scans == scan) PlugPrinter(win, row);
      win.plug_and_play.reenumerate(win.devices.last_reenumerate_flags);
    };
  }
  std::uint32_t Run() {
    const CommandSwitches switches = ParseCommandSwitches(win.system.arguments);
    StartupServices services;
    services.run_modal = [this](platform::DialogLogic&) { return ++shown_dialogs; };
    // The process ends with the run, and with it its hold on the run mutex.
    struct ProcessEnd {
      SimWindows& win;
      ~ProcessEnd() { win.processes.end_own_process(); }
    } process_end{win};
    return RunUnattendedProgram(
        win.platform, steps, services, switches,
        [this](std::u16string_view text) { console += text; },
        [this](UnattendedRun& run) {
          if (!chooser) return;
          steps.chooseNetworkPrinter = [this](CPelmoraDlg&, std::u16string_view, std::uint32_t,
                                              NetworkSelection* selection) {
            return chooser(selection);
          };
          (void)run;
        });
  }
  std::vector<std::string> Lines(std::u16string_view path = kLogPath) {
    const std::string text = win.shell.file_contents(path);
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
      const std::size_t end = text.find("\r\n", start);
      if (end == std::string::npos) break;
      lines.push_back(text.substr(start + 20, end - start - 20));  // without the time
      start = end + 2;
    }
    return lines;
  }
  std::string Last() {
    const auto lines = Lines();
    return lines.empty() ? "" : lines.back();
  }
  bool Logged(const std::string& body, std::u16string_view path = kLogPath) {
    for (const auto& line : Lines(path))
      if (line == body) return true;
    return false;
  }
  int MonitorStarts() {
    int starts = 0;
    for (const auto& started : win.processes.started())
      starts += started.command_line == kMonitorRunCommand;
    return starts;
  }
  std::size_t OpenHandles() {
    return win.spooler.open_handles() + win.registry.open_handles() + win.processes.open_handles() +
           win.setup_api.open_handles() + win.services.open_handles() + win.devices.open_sets() +
           win.threads.open_handles();
  }
  // Nothing was shown: no dialog ran and no message box opened.
  void ExpectNothingShown() {
    EXPECT_EQ(shown_dialogs, 0);
    EXPECT_TRUE(win.desktop.message_boxes().empty());
  }

  SimWindows win;
  InstallerSteps steps;
  std::function<bool(NetworkSelection*)> chooser;
  std::u16string console;
  int shown_dialogs = 0;
  int scans = 0;
};

class QuietUsb : public ::testing::TestWithParam<std::tuple<Desk, int>> {};

TEST_P(QuietUsb, PluggedDuringTheWaitAfterAStagingRunAndNever) {
  const Desk& desk = std::get<0>(GetParam());
  const int model = std::get<1>(GetParam());
  const int row = EffectiveModelIndex(model);
  const std::u16string name = ModelCatalogue[row].modelName;
  const std::u16string setting = platform::format(u"/quiet /usb /model %d", {model});
  {
    Quiet q(setting + u" /wait 60", desk);
    q.PlugAtScan(row, 3);
    const std::uint64_t start = q.win.clock.now_ms();
    EXPECT_EQ(q.Run(), kExitSuccess) << q.Last();
    EXPECT_TRUE(q.win.spooler.has_queue(name));
    EXPECT_EQ(q.Last(), "end exit code 0: installation complete" + kOwnProcess);
    // The wizard's own lines, in its order.
    const auto lines = q.Lines();
    std::vector<std::string> steps;
    for (const auto& line : lines)
      for (const char* wanted : {"step1 RunCleanupStep: ok", "step2 RunPreparationStep: ok",
                                 "step2 PreinstallWorker: ok", "step3 StartInstall \"USB\": ok",
                                 "end Pelmora: installation complete, process 3120"})
        if (line == wanted) steps.push_back(line);
    // The simulated worker thread runs to its end before the step returns.
    EXPECT_EQ(steps, (std::vector<std::string>{
                         "step1 RunCleanupStep: ok", "step2 PreinstallWorker: ok",
                         "step2 RunPreparationStep: ok", "step3 StartInstall \"USB\": ok",
                         "end Pelmora: installation complete, process 3120"}));
    // In virtual time, the same for every model: Step 1's and Step 2's fixed
    // waits and the scans until the third finds the printer.
    EXPECT_EQ(q.win.clock.now_ms() - start, 23200u);
    EXPECT_EQ(q.console, u"Pelmora: exit code 0: installation complete\r\n");
    EXPECT_EQ(q.MonitorStarts(), 1);
    EXPECT_EQ(RunValue(q.win), kMonitorRunCommand);
    EXPECT_EQ(PlantedProgramsRun(q.win, desk.folder), std::vector<std::u16string>{});
    q.ExpectNothingShown();
    EXPECT_EQ(q.OpenHandles(), 0u);
  }
  {
    // /wait 0 stages the package; Plug and Play installs the printer later.
    Quiet q(setting + u" /wait 0", desk);
    EXPECT_EQ(q.Run(), kExitSuccess);
    EXPECT_FALSE(q.win.spooler.has_queue(name));
    EXPECT_EQ(q.Last(),
              "end exit code 0: driver package staged: Plug and Play installs the printer when it "
              "is plugged in" +
                  kOwnProcess);
    PlugPrinter(q.win, row);
    q.win.devices.reenumerate(0, 0);
    EXPECT_TRUE(q.win.spooler.has_queue(name));
    q.ExpectNothingShown();
  }
  {
    Quiet q(setting + u" /wait 5", desk);
    const std::uint64_t start = q.win.clock.now_ms();
    EXPECT_EQ(q.Run(), kExitQueueTimeout);
    EXPECT_EQ(q.Last(), "end exit code 1460: no print queue within 5 s" + kOwnProcess);
    // In virtual time: the same steps, then the wait runs out.
    EXPECT_EQ(q.win.clock.now_ms() - start, 24200u);
    q.ExpectNothingShown();
  }
}

INSTANTIATE_TEST_SUITE_P(EveryDeskAndModelSetting, QuietUsb,
                         ::testing::Combine(::testing::ValuesIn(kDesks), ::testing::Range(0, 17)),
                         [](const ::testing::TestParamInfo<std::tuple<Desk, int>>& info) {
                           return std::string(std::get<0>(info.param).name) + "Model" +
                                  std::to_string(std::get<1>(info.param));
                         });

// The network queue on each desk, by the wizard's path and the unattended
// one, and /remove after the latter. Model 6's INF is found under
// row 0's name; its driver and queue keep row 6's.
class OnEveryDesk : public ::testing::TestWithParam<Desk> {
 protected:
  // What a network installation of model 6 must leave, by name.
  static std::vector<std::string> Missing(platform::sim::SimWindows& win, const Desk& desk) {
    std::vector<std::string> missing;
    const std::u16string name = ModelCatalogue[6].modelName;
    if (!win.spooler.has_queue(name)) missing.push_back("queue");
    if (!win.spooler.has_port(u"IP_192.168.7.20")) missing.push_back("port");
    // The queue's driver is the print server's own environment's.
    if (!win.spooler.has_driver_in(
            name, desk.windows64 ? platform::kEnvironmentX64 : platform::kEnvironmentX86))
      missing.push_back("driver");
    if (RunValue(win) != kMonitorRunCommand) missing.push_back("Run value");
    // printui by its full path, told the server's architecture.
    bool printui = false;
    for (const auto& started : win.processes.started())
      printui = printui ||
                started.command_line.rfind(
                    platform::format(
                        u"\"C:\\Windows\\system32\\rundll32.exe\" printui.dll,PrintUIEntry /ia /m "
                        u"\"%s\" /h \"%s\" /f \"C:\\Windows\\Inf\\oem",
                        {name, desk.windows64 ? u"x64" : u"x86"}),
                    0) == 0;
    if (!printui) missing.push_back("printui command");
    if (!PlantedProgramsRun(win, desk.folder).empty()) missing.push_back("no planted program");
    return missing;
  }
  // What /remove must leave of it: nothing of ours in either environment.
  static std::vector<std::string> Left(Quiet& q) {
    std::vector<std::string> left;
    if (!q.win.spooler.queues().empty()) left.push_back("queue");
    for (const char16_t* environment : {platform::kEnvironmentX86, platform::kEnvironmentX64})
      if (q.win.spooler.has_driver_in(ModelCatalogue[6].modelName, environment))
        left.push_back("driver " + platform::to_utf8(environment));
    if (!q.win.setup_api.oem_infs().empty()) left.push_back("OEM INF");
    if (!RunValue(q.win).empty()) left.push_back("Run value");
    for (const char16_t* files : {u"C:\\Program Files", u"C:\\Program Files (x86)"})
      if (q.win.shell.has_directory(std::u16string(files) + u"\\Orvane\\Driver\\ZELKO"))
        left.push_back("package folder");
    return left;
  }
};

TEST_P(OnEveryDesk, TheWizardsNetworkQueue) {
  const Desk& desk = GetParam();
  Wizard w(6, desk);
  test_support::InstallPrintUiStandIn(w.win);
  w.steps.chooseNetworkPrinter = [](CPelmoraDlg&, std::u16string_view, std::uint32_t,
                                    NetworkSelection* selection) {
    *selection = {u"192.168.7.20", 9100, -1};
    return true;
  };
  ASSERT_TRUE(w.dialog.OnInitDialog());
  w.Click(IDC_NEXT);
  w.Click(IDC_NEXT);
  w.Run(1000);
  ASSERT_EQ(w.dialog.wizardState, WIZ_STEP3) << platform::to_utf8(w.host.text(IDC_STATUS));
  w.host.set_check(IDC_PORT_TCPIP, true);
  w.host.set_check(IDC_PORT_USB, false);
  w.Click(IDC_PORT_TCPIP);
  w.Click(IDC_NEXT);
  w.Run(16000);
  EXPECT_EQ(w.host.text(IDC_STATUS), kClickCloseText);
  EXPECT_EQ(Missing(w.win, desk), std::vector<std::string>{});
  EXPECT_TRUE(w.win.desktop.message_boxes().empty());
}

TEST_P(OnEveryDesk, TheUnattendedNetworkQueueThenRemoval) {
  const Desk& desk = GetParam();
  Quiet q(u"/quiet /network 192.168.7.20 /model 6", desk);
  q.chooser = [](NetworkSelection* s) {
    *s = {u"192.168.7.20", 9100, -1, 0x3870};
    return true;
  };
  ASSERT_EQ(q.Run(), kExitSuccess) << q.Last();
  EXPECT_EQ(Missing(q.win, desk), std::vector<std::string>{});
  q.win.system.arguments = u"/quiet /remove";
  EXPECT_EQ(q.Run(), kExitSuccess) << q.Last();
  EXPECT_EQ(Left(q), std::vector<std::string>{});
  q.ExpectNothingShown();
}

INSTANTIATE_TEST_SUITE_P(Desks, OnEveryDesk, ::testing::ValuesIn(kDesks),
                         [](const ::testing::TestParamInfo<Desk>& info) {
                           return std::string(info.param.name);
                         });

TEST(QuietRemove, RemovesEveryTraceOfAnEarlierInstallation) {
  Quiet q(u"/quiet /usb /model 6 /wait 30");
  q.PlugAtScan(6, 1);
  ASSERT_EQ(q.Run(), kExitSuccess) << q.Last();
  ASSERT_TRUE(q.win.spooler.has_queue(ModelCatalogue[6].modelName));
  ASSERT_FALSE(q.win.setup_api.oem_infs().empty());

  // Installed by the earlier run, removed by this one, in session 0 as
  // SYSTEM would run it.
  q.win.system.arguments = u"/quiet /remove /log C:\\Logs\\remove.log";
  q.win.system.session = 0;
  q.win.shell.put_directory(u"C:\\Logs");
  EXPECT_EQ(q.Run(), kExitSuccess);
  EXPECT_TRUE(q.win.spooler.queues().empty());
  EXPECT_TRUE(q.win.setup_api.oem_infs().empty());
  EXPECT_EQ(RunValue(q.win), u"");
  EXPECT_EQ(q.win.processes.running_count(u"Tessaly.exe"), 0);
  EXPECT_FALSE(q.win.shell.has_directory(u"C:\\Program Files\\Orvane\\Driver\\ZELKO"));
  const auto lines = q.Lines(u"C:\\Logs\\remove.log");
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "end exit code 0: earlier installations removed" + kOwnProcess);
  // Every model's traces: the whole catalogue, whatever Pelmora.ini says.
  bool all_models = false;
  for (const auto& line : lines)
    all_models = all_models || (line.rfind("start Pelmora ", 0) == 0 &&
                                line.find(", model 16 (all models), ") != std::string::npos);
  EXPECT_TRUE(all_models);
  q.ExpectNothingShown();
}

TEST(QuietRun, InSessionZeroTheMonitorIsNotStartedButRegistered) {
  Quiet q(u"/quiet /usb /model 0");
  q.win.system.session = 0;
  EXPECT_EQ(q.Run(), kExitSuccess);
  EXPECT_EQ(q.MonitorStarts(), 0);
  EXPECT_EQ(RunValue(q.win), kMonitorRunCommand);
  EXPECT_TRUE(q.Logged(
      "step2 start \"C:\\Windows\\system32\\Tessaly.exe\": skipped in session 0, the Run value "
      "starts it at the next logon"));
}

TEST(QuietRun, EachFailureClassEndsWithItsCodeAndLastLine) {
  struct Case {
    const char* name;
    const char16_t* arguments;
    std::function<void(Quiet&)> arrange;
    std::uint32_t code;
    std::string last;
    bool steps_run = true;
  };
  const std::vector<Case> cases = {
      {"not an administrator", u"/quiet /usb", [](Quiet& q) { q.win.shell.admin = false; },
       kExitNotAdministrator, "end exit code 5: not run by a member of the Administrators group"},
      {"removal", u"/quiet /usb",
       [](Quiet& q) { q.win.faults.fail("EnumPrintersW", platform::kErrorAccessDenied); },
       kExitRemovalFailed,
       "end exit code 1603: the removal of earlier installations failed: EnumPrinters() failed "
       "with error 00000005: Access is denied."},
      {"preparation", u"/quiet /usb",
       [](Quiet& q) { q.win.faults.fail("CreateDirectoryW", platform::kErrorAccessDenied); },
       kExitPreparationFailed,
       "end exit code 1627: the preparation failed: Can't create directory. error : 5"},
      {"pre-install", u"/quiet /usb /model 3",
       [](Quiet& q) {
         q.win.processes.install_program(u"DIFxCmd", [](std::u16string_view) { return 1u; });
       },
       kExitPreinstallFailed, "end exit code 1619: the driver package could not be pre-installed"},
      {"printer not found", u"/quiet /network K7M2P4T9", [](Quiet&) {}, kExitPrinterNotFound,
       "end exit code 1168: the network printer \"K7M2P4T9\" was not found"},
      {"another family", u"/quiet /network K7M2P4T9",
       [](Quiet& q) {
         q.chooser = [](NetworkSelection* s) {
           *s = {u"192.168.7.20", 9100, -1, 0x3856};  // a MARLO-800 for model 0
           return true;
         };
       },
       kExitPrinterNotFound, "end exit code 1168: the network printer \"K7M2P4T9\" was not found"},
      {"port", u"/quiet /network K7M2P4T9",
       [](Quiet& q) {
         q.chooser = [](NetworkSelection* s) {
           *s = {u"192.168.7.20", 9100, -1, 0x3850};
           return true;
         };
         q.win.faults.fail("XcvDataW", platform::kErrorAccessDenied);
       },
       kExitPortNotCreated, "end exit code 1796: the TCP/IP port was not created"},
      {"queue", u"/quiet /network 192.168.7.20",
       [](Quiet& q) {
         q.chooser = [](NetworkSelection* s) {
           *s = {u"192.168.7.20", 9100, -1, 0x3850};
           return true;
         };
         q.win.faults.fail("AddPrinterW", platform::kErrorAccessDenied);
       },
       kExitQueueNotCreated, "end exit code 1797: the driver or the print queue was not installed"},
      {"time-out", u"/quiet /usb /wait 3", [](Quiet&) {}, kExitQueueTimeout,
       "end exit code 1460: no print queue within 3 s"},
      // A deployment run as SYSTEM in session 0 is going on: this run,
      // in session 1, ends before any step.
      {"another run", u"/quiet /usb",
       [](Quiet& q) {
         q.win.processes.hold_mutex_of(q.win.processes.add_process(u"Pelmora.exe"), 0,
                                       kRunMutexName);
       },
       kExitAlreadyRunning, "end exit code 1618: another installation is running", false},
      // The run mutex of a run of another user, which this one may not open.
      {"another user's run", u"/quiet /remove",
       [](Quiet& q) { q.win.faults.fail("CreateMutexW", platform::kErrorAccessDenied); },
       kExitAlreadyRunning, "end exit code 1618: another installation is running", false},
      // A run mutex that cannot be made for another reason: the run goes on
      // unguarded.
      {"no run mutex", u"/quiet /remove",
       [](Quiet& q) { q.win.faults.fail("CreateMutexW", platform::kErrorInvalidHandle); },
       kExitSuccess, "end exit code 0: earlier installations removed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Quiet q(c.arguments);
    c.arrange(q);
    EXPECT_EQ(q.Run(), c.code);
    EXPECT_EQ(q.Last(), c.last + kOwnProcess);
    EXPECT_EQ(q.console, platform::to_utf16(c.last.substr(4)).insert(0, u"Pelmora: ") + u"\r\n");
    // The wizard's own closing line says where the run stopped: no page
    // was ever closed.
    for (const auto& line : q.Lines()) EXPECT_EQ(line.find("closed"), std::string::npos) << line;
    q.ExpectNothingShown();
    EXPECT_EQ(q.OpenHandles(), 0u);
    if (!c.steps_run) {
      // Nothing was looked at, let alone changed.
      EXPECT_EQ(q.win.faults.calls("EnumPrintersW"), 0);
      EXPECT_EQ(
          q.Lines(),
          (std::vector<std::string>{
              "start unattended \"" + platform::to_utf8(c.arguments) + "\": " +
                  (c.arguments == std::u16string(u"/quiet /usb") ? "USB, wait 0 s" : "remove") +
                  ", session 1" + kOwnProcess,
              "start run-mutex \"Global\\Pelmora.Installer.Run\": held by "
              "another run",
              c.last + kOwnProcess}));
    }
  }
}

TEST(QuietLog, TheNamedLogIsMadeWhereItCanBeAndOtherwiseTheDefaultOneSaysWhy) {
  // Where /log points, with the folders a fresh desk lacks; where that
  // cannot be, the default log and the console say why.
  struct Case {
    const char* name;
    std::u16string arguments;
    std::u16string written;  // the log that holds the run's last line
    std::string refusal;     // the default log's line about /log, if any
    bool folder_refused = false;
  };
  const std::u16string made = u"C:\\ProgramData\\Orvane\\Logs\\Pelmora-install.log";
  const std::vector<Case> cases = {
      {"missing folders made", u"/quiet /remove /log " + made, made, ""},
      {"a refusal in the made folder too", u"/quiet /bogus /log " + made, made, ""},
      {"a folder", u"/quiet /remove /log C:\\ProgramData", kLogPath,
       "start log \"C:\\ProgramData\": not used, it is a folder; the lines go to this log instead"},
      {"under a file", u"/quiet /remove /log C:\\Setup\\Pelmora.exe\\run.log", kLogPath,
       "start log \"C:\\Setup\\Pelmora.exe\\run.log\": not used, \"C:\\Setup\\Pelmora.exe\" is a "
       "file, not a folder; the lines go to this log instead"},
      {"under a device", u"/quiet /remove /log C:\\ProgramData\\CON\\run.log", kLogPath,
       "start log \"C:\\ProgramData\\CON\\run.log\": not used, \"C:\\ProgramData\\CON\" is a "
       "file, not a folder; the lines go to this log instead"},
      {"a folder that cannot be made", u"/quiet /remove /log C:\\ProgramData\\Orvane\\run.log",
       kLogPath,
       "start log \"C:\\ProgramData\\Orvane\\run.log\": not used, its folder "
       "\"C:\\ProgramData\\Orvane\" could not be made, error 00000005; the lines go to this log "
       "instead",
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Quiet q(c.arguments);
    q.win.shell.put_directory(u"C:\\ProgramData");
    if (c.folder_refused) q.win.faults.fail("CreateDirectoryW", platform::kErrorAccessDenied);
    const std::uint32_t code = q.Run();
    const auto lines = q.Lines(c.written);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().rfind("end exit code " + std::to_string(code) + ": ", 0), 0u);
    if (!c.refusal.empty()) {
      EXPECT_TRUE(q.Logged(c.refusal));
      EXPECT_NE(q.console.find(u"cannot be written"), std::u16string::npos);
    } else {
      EXPECT_EQ(q.win.shell.file_contents(kLogPath), "");
    }
    q.ExpectNothingShown();
  }
}

TEST(QuietRun, MessageBoxesGoToTheLogAndTheWorkerEndsWithTheCode) {
  Quiet q(u"/quiet /usb /model 3");
  q.win.processes.install_program(u"DIFxCmd", [](std::u16string_view) { return 2u; });
  EXPECT_EQ(q.Run(), kExitPreinstallFailed);
  EXPECT_EQ(q.win.processes.own_exit_code(), kExitPreinstallFailed);
  EXPECT_TRUE(q.Logged(
      "step2 message-box \"Pelmora\": not shown, answered as OK: Error : 2, Installation has "
      "been canceled"));
  const auto lines = q.Lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "end Pelmora: installation canceled" + kOwnProcess);
  // A network run whose INF is missing: the driver's box is logged too.
  Quiet m(u"/quiet /network 10.0.0.9");
  m.chooser = [](NetworkSelection* s) {
    *s = {u"10.0.0.9", 9100, -1, 0x3850};
    return true;
  };
  // The tool says yes but puts nothing into the store.
  m.win.processes.install_program(u"DIFxCmd", [](std::u16string_view) { return 0u; });
  EXPECT_EQ(m.Run(), kExitQueueNotCreated);
  EXPECT_TRUE(m.Logged(
      "step3 message-box \"ERROR\": not shown, answered as OK: Fail to install driver !!!"));
  m.ExpectNothingShown();
}

TEST(QuietFaults, EveryCallFailedInTurn) {
  const std::u16string arguments = u"/quiet /usb /model 0 /wait 0";
  std::vector<std::string> calls;
  {
    Quiet q(arguments);
    q.win.faults.clear_log();
    ASSERT_EQ(q.Run(), kExitSuccess) << q.Last();
    calls = q.win.faults.log();
  }
  ASSERT_GT(calls.size(), 60u);
  const std::set<std::uint32_t> documented = {kExitSuccess,          kExitNotAdministrator,
                                              kExitRemovalFailed,    kExitPreparationFailed,
                                              kExitPreinstallFailed, kExitAlreadyRunning};
  std::map<std::string, int> seen;
  for (const auto& entry : calls) {
    const std::string operation = entry.substr(0, entry.find(' '));
    const int nth = ++seen[operation];
    SCOPED_TRACE(entry + " #" + std::to_string(nth));
    Quiet q(arguments);
    q.win.faults.fail(operation, platform::kErrorAccessDenied, nth);
    const std::uint32_t code = q.Run();
    EXPECT_TRUE(documented.count(code)) << code;
    // A log that cannot be written loses its lines, the last one too.
    if (entry.find("Pelmora.log") == std::string::npos && operation != "GetTempPathW") {
      EXPECT_EQ(q.Last().rfind("end exit code " + std::to_string(code) + ": ", 0), 0u) << q.Last();
    }
    q.ExpectNothingShown();
    EXPECT_EQ(q.OpenHandles(), 0u);
    // The same command again on the system the failure left. A spooler
    // whose start failed stays stopped until the service manager's
    // recovery (or an administrator) starts it again.
    q.win.faults.clear();
    if (!q.win.services.running(u"Spooler")) q.win.services.add_service(u"Spooler", true);
    EXPECT_EQ(q.Run(), kExitSuccess) << q.Last();
    EXPECT_EQ(q.win.setup_api.oem_infs().size(), 1u);
    EXPECT_EQ(RunValue(q.win), kMonitorRunCommand);
  }
}

TEST(QuietCommandLine, RefusedLinesShowTheUsageWhereNobodySeesAWindow) {
  const std::vector<std::pair<const char16_t*, std::string>> refused = {
      {u"/quiet /usb /bogus", "unknown switch \"/bogus\""},
      {u"/quiet /usb /import", "unknown switch \"/import\""},
      {u"/quiet /usb /log", "\"/log\" needs a value"},
      {u"/quiet /network /usb", "\"/network\" needs a value"},
      {u"/quiet /usb /model 17", "unknown model \"17\" (0..15, or 16 for all models)"},
      {u"/quiet /usb /model x", "unknown model \"x\" (0..15, or 16 for all models)"},
      {u"/quiet /usb /wait -1", "/wait needs a number of seconds from 0 to 86400, not \"-1\""},
      {u"/quiet /usb /network P1",
       "\"/network\" cannot be combined with another of /usb, "
       "/network, /remove"},
      {u"/quiet /remove /wait 5", "/wait goes only with /usb"},
      {u"/quiet", "one of /usb, /network, /remove is needed"},
      {u"/quiet /usb /usb", "\"/usb\" is given twice"},
      {u"/quiet /network [P1]", "the printer of /network holds a bracket"},
      {u"/quiet /usb stray", "unexpected word \"stray\""},
  };
  for (const auto& [arguments, why] : refused) {
    SCOPED_TRACE(platform::to_utf8(arguments));
    Quiet q(arguments);
    EXPECT_EQ(q.Run(), kExitBadCommandLine);
    const auto lines = q.Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "start command-line \"" + platform::to_utf8(arguments) +
                            "\": refused: " + why + kOwnProcess);
    EXPECT_EQ(lines[1], "start usage: Usage:");
    EXPECT_EQ(lines.back(), "end exit code 1639: invalid command line" + kOwnProcess);
    EXPECT_NE(q.console.find(u"Pelmora.exe /quiet /usb"), std::u16string::npos);
    // Nothing was done: no step ran.
    EXPECT_EQ(q.win.faults.calls("EnumPrintersW"), 0);
    q.ExpectNothingShown();
  }
  // An over-long command line, a value over its limit.
  Quiet longer(u"/quiet /usb " + std::u16string(1100, u'x'));
  EXPECT_EQ(longer.Run(), kExitBadCommandLine);
  EXPECT_EQ(longer.Lines()[0].find("refused: the command line is longer than 1024 characters") !=
                std::string::npos,
            true);
  Quiet id(u"/quiet /network " + std::u16string(64, u'P'));
  EXPECT_EQ(id.Run(), kExitBadCommandLine);
  // Each limit holds its last value and refuses the next.
  std::u16string padded = u"/quiet /usb";
  padded.resize(1024, u' ');
  EXPECT_TRUE(ParseCommandSwitches(padded).error.empty());
  EXPECT_FALSE(ParseCommandSwitches(padded + u" ").error.empty());
  // The first refusal is the one reported.
  EXPECT_EQ(ParseCommandSwitches(u"/log x").error, u"the switches need /quiet");
  EXPECT_TRUE(ParseCommandSwitches(u"/quiet /usb /wait 86400").error.empty());
  EXPECT_EQ(ParseCommandSwitches(u"/quiet /usb /wait 86400").waitSeconds, 86400);
  EXPECT_FALSE(ParseCommandSwitches(u"/quiet /usb /wait 86401").error.empty());
  EXPECT_TRUE(ParseCommandSwitches(u"/quiet /network " + std::u16string(63, u'P')).error.empty());
  const std::u16string log_path = u"C:\\" + std::u16string(256, u'l');
  EXPECT_TRUE(ParseCommandSwitches(u"/quiet /usb /log " + log_path).error.empty());
  EXPECT_FALSE(ParseCommandSwitches(u"/quiet /usb /log " + log_path + u"l").error.empty());
  // Without /quiet the person who started it sees the usage in a box.
  Quiet by_hand(u"/usb");
  EXPECT_EQ(by_hand.Run(), kExitBadCommandLine);
  ASSERT_EQ(by_hand.win.desktop.message_boxes().size(), 1u);
  EXPECT_EQ(
      by_hand.win.desktop.message_boxes()[0].text.rfind(u"Pelmora: the switches need /quiet", 0),
      0u);
  Quiet help(u"/?");
  EXPECT_EQ(help.Run(), kExitSuccess);
  EXPECT_EQ(help.Last(), "end exit code 0: usage shown" + kOwnProcess);
}

TEST(QuietCommandLine, TheLanguageSearchSeesNeitherSwitchesNorValues) {
  // Without a switch the text is the wizard's as before.
  EXPECT_FALSE(ParseCommandSwitches(u"/KOR").present);
  EXPECT_FALSE(ParseCommandSwitches(u"/quite /usb-ish").present);
  struct Case {
    const char16_t* arguments;
    int language;
    const char16_t* log = kLogPath;
  };
  for (const Case& c : {
           Case{u"/quiet /network PER0012A", 0},  // a printer id holding PER
           Case{u"/quiet /usb /log C:\\Import\\p.log", 0, u"C:\\Import\\p.log"},  // POR
           Case{u"/quiet /remove /model 3", 0},
           Case{u"/quiet /network PER0012A KOR", 1},
           Case{u"/RUS /quiet /usb", 9},
           Case{u"/quiet /usb /log \"C:\\Log Files\\x.log\" jap", 3, u"C:\\Log Files\\x.log"},
       }) {
    SCOPED_TRACE(platform::to_utf8(c.arguments));
    Quiet q(c.arguments);
    q.win.shell.put_file(u"C:\\Setup\\Pelmora.ini", "LANGUAGE: 0\r\nMODEL: 0\r\n");
    q.win.shell.put_directory(u"C:\\Import");
    q.win.shell.put_directory(u"C:\\Log Files");
    q.win.faults.fail("EnumPrintersW", platform::kErrorAccessDenied);  // stop after Step 1
    q.chooser = [](NetworkSelection* s) {                              // found before Step 1
      *s = {u"10.0.0.9", 9100, -1, 0x3850};
      return true;
    };
    EXPECT_EQ(q.Run(), kExitRemovalFailed);
    EXPECT_TRUE(q.Logged("start Pelmora \"" PELMORA_VERSION_TEXT "\": Windows 14 (6.1.7601), "
                         "WOW64 no, model " +
                             std::string(c.arguments == std::u16string(u"/quiet /remove /model 3")
                                             ? "3 \"Lumetra DX450\""
                                             : "0 \"Orvane ZELKO-70 Card Printer\"") +
                             ", language " + std::to_string(c.language) + kOwnProcess,
                         c.log))
        << (q.Lines().empty() ? std::string("no log") : q.Lines()[0]);
  }
  const CommandSwitches quoted = ParseCommandSwitches(u"/quiet /usb /log \"C:\\Log Files\\x.log\"");
  EXPECT_EQ(quoted.logPath, u"C:\\Log Files\\x.log");
  EXPECT_TRUE(quoted.error.empty());
}

}  // namespace
}  // namespace pelmora::testing
