// Unattended runs of the installer on a simulated Windows with the build's
// media: each failure class with its exit code and last log line, the log
// /log names, and every call failed in turn. Nothing is ever shown. The
// command lines are in unattended_command_line_test.cpp, the runs on every
// desk in unattended_desk_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "cleanup_scenario.h"
#include "quiet_run.h"
#include "success_marker.h"

namespace pelmora::testing {
namespace {

TEST(QuietRun, OnlyAUsersOwnRunStartsTheMonitorAndEveryRunRegistersIt) {
  const struct Case {
    std::uint32_t session;
    bool local_system;
    bool account_unknown;
    std::string logged;  // after "step2 start "...\Tessaly.exe": "
  } cases[] = {
      {0, true, false, "skipped in session 0, the Run value starts it at the next logon"},
      // Configuration Manager's "allow users to interact", a remote shell.
      {1, true, false,
       "skipped, the installer runs as SYSTEM; the Run value starts it at the next logon"},
      {1, false, true,
       "skipped, the account is not known (error 00000005); the Run value starts it at the next "
       "logon"},
      {1, false, false, "ok"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.logged);
    Quiet q(u"/quiet /usb /model 0");
    q.win.system.session = c.session;
    q.win.system.local_system = c.local_system;
    if (c.account_unknown) q.win.faults.fail("GetTokenInformation", platform::kErrorAccessDenied);
    EXPECT_EQ(q.Run(), kExitStaged);
    EXPECT_EQ(q.MonitorStarts(), c.logged == "ok" ? 1 : 0);
    EXPECT_EQ(RunValue(q.win), kMonitorRunCommand);
    EXPECT_TRUE(q.Logged("step2 start \"C:\\Windows\\system32\\Tessaly.exe\": " + c.logged));
  }
}

TEST(QuietRun, EachFailureClassEndsWithItsCodeAndLastLine) {
  const std::string kNoModel =
      "end exit code 1639: no model: give /model N, or start the installer in the folder of a "
      "Pelmora.ini with its MODEL: line";
  const std::u16string plugin = u"C:\\Program Files\\Orvane\\Driver\\plugin\\Cardplug.dll";
  // A program that printed holds the plug-in: it is deleted, and the new
  // one put in its place, when Windows restarts.
  auto finished_at_restart = [plugin](bool installed) {
    return [plugin, installed](Quiet& q) {
      EXPECT_EQ(q.win.shell.file_contents(plugin), "plug-in") << "in use until the restart";
      EXPECT_TRUE(q.Logged("step1 delete-file \"" + platform::to_utf8(plugin) +
                           "\": error 00000005, in use: deleted at the next restart"));
      EXPECT_EQ(q.Logged("step2 copy-file \"" + platform::to_utf8(plugin) +
                         "\": error 00000020, in use: replaced at the next restart"),
                installed);
      q.win.restart();
      EXPECT_TRUE(q.win.shell.pending_renames().empty());
      EXPECT_EQ(q.win.shell.has_file(plugin), installed);
      if (installed) {
        EXPECT_EQ(q.win.shell.file_contents(plugin),
                  q.win.shell.file_contents(u"C:\\Setup\\plugin\\Cardplug.dll"));
      }
    };
  };
  // A started program that never ends by itself.
  auto hangs_with = [](const char16_t* argument) {
    return [argument](std::u16string_view line) {
      return line.find(argument) != std::u16string_view::npos ? platform::kStillActive : 0u;
    };
  };
  const std::string kEnded =
      "a program the installer started did not end within its limit and was ended; ";
  const struct Case {
    const char* name;
    const char16_t* arguments;
    std::function<void(Quiet&)> arrange;
    std::uint32_t code;
    std::string last;
    bool steps_run = true;
    // Ends before Step 1: an earlier installation stays as it was.
    bool unchanged = false;
    std::string logged;  // found within some line, when not empty
    // What the run left, checked last.
    std::function<void(Quiet&)> after = {};
  } cases[] = {
      {"not an administrator", u"/quiet /usb /model 0", [](Quiet& q) { q.win.shell.admin = false; },
       kExitNotAdministrator, "end exit code 5: not run by a member of the Administrators group",
       true, true},
      {"removal", u"/quiet /usb /model 0",
       [](Quiet& q) { q.win.faults.fail("EnumPrintersW", platform::kErrorAccessDenied); },
       kExitRemovalFailed,
       "end exit code 1603: the removal of earlier installations failed: EnumPrinters() failed "
       "with error 00000005: Access is denied."},
      {"preparation", u"/quiet /usb /model 0",
       [](Quiet& q) { q.win.faults.fail("CreateDirectoryW", platform::kErrorAccessDenied); },
       kExitPreparationFailed,
       "end exit code 1627: the preparation failed: Can't create directory. error : 5"},
      {"pre-install", u"/quiet /usb /model 3",
       [](Quiet& q) {
         q.win.processes.install_program(u"DIFxCmd", [](std::u16string_view) { return 1u; });
       },
       kExitPreinstallFailed, "end exit code 2001: the driver package could not be pre-installed"},
      {"printer not found", u"/quiet /network K7M2P4T9 /model 0", [](Quiet&) {},
       kExitPrinterNotFound, "end exit code 1168: the network printer \"K7M2P4T9\" was not found",
       true, true},
      {"another family", u"/quiet /network K7M2P4T9 /model 0",
       [](Quiet& q) {
         q.Finds({u"192.168.7.20", 9100, -1, 0x3856});  // a MARLO-800 for model 0
       },
       kExitPrinterNotFound, "end exit code 1168: the network printer \"K7M2P4T9\" was not found",
       true, true},
      // Outside the media folder, without /model: no model to install.
      {"no model", u"/quiet /usb", [](Quiet&) {}, kExitBadCommandLine, kNoModel, true, true, "",
       [](Quiet& q) {
         EXPECT_TRUE(q.Logged("start settings \"Pelmora.ini\": not found in the current folder"));
       }},
      // Something stops the spooler while the run scans for the printer.
      {"spooler left stopped", u"/quiet /usb /model 0",
       [](Quiet& q) {
         q.win.devices.on_reenumerate = [&q] { q.win.services.add_service(u"Spooler", false); };
       },
       kExitSpoolerStopped, "end exit code 1062: the print spooler is not running"},
      {"port", u"/quiet /network K7M2P4T9 /model 0",
       [](Quiet& q) {
         q.Finds({u"192.168.7.20", 9100, -1, 0x3850});
         q.win.faults.fail("XcvDataW", platform::kErrorAccessDenied);
       },
       kExitPortNotCreated, "end exit code 1796: the TCP/IP port was not created"},
      {"queue", u"/quiet /network 192.168.7.20 /model 0",
       [](Quiet& q) {
         q.Finds({u"192.168.7.20", 9100, -1, 0x3850});
         q.win.faults.fail("AddPrinterW", platform::kErrorAccessDenied);
       },
       kExitQueueNotCreated, "end exit code 1797: the driver or the print queue was not installed"},
      {"time-out", u"/quiet /usb /model 0 /wait 3", [](Quiet&) {}, kExitQueueTimeout,
       "end exit code 1460: no print queue within 3 s"},
      // A program that does not end within its limit is ended, and so is
      // the run, whichever step started it.
      {"removal tool ended", u"/quiet /usb /model 0",
       [&](Quiet& q) { q.win.processes.install_program(u"DIFxCmd", hangs_with(u" /u ")); },
       kExitChildTimeout,
       "end exit code 258: " + kEnded +
           "the removal of earlier installations failed: DIFxCmd did not end within 10 minutes "
           "and was ended",
       true, false, "did not end within 600 s; ended: ok"},
      {"pre-install tool ended", u"/quiet /usb /model 3",
       [&](Quiet& q) { q.win.processes.install_program(u"DIFxCmd", hangs_with(u" /p ")); },
       kExitChildTimeout,
       "end exit code 258: " + kEnded + "the driver package could not be pre-installed", true,
       false, "did not end within 600 s; ended: ok"},
      {"printui ended", u"/quiet /network 192.168.7.20 /model 0",
       [&](Quiet& q) {
         q.Finds({u"192.168.7.20", 9100, -1, 0x3850});
         q.win.processes.install_program(u"rundll32", hangs_with(u"PrintUIEntry"));
       },
       kExitChildTimeout,
       "end exit code 258: " + kEnded + "the driver or the print queue was not installed", true,
       false, "did not end within 600 s; ended: ok"},
      // A deployment run as SYSTEM in session 0 is going on: this run,
      // in session 1, ends before any step.
      {"another run", u"/quiet /usb /model 0",
       [](Quiet& q) {
         q.win.processes.hold_mutex_of(q.win.processes.add_process(u"Pelmora.exe"), 0,
                                       kRunMutexName);
       },
       kExitAnotherRun, "end exit code 1618: another installation is running", false, true},
      // The run mutex of a run of another user, which this one may not open.
      {"another user's run", u"/quiet /remove",
       [](Quiet& q) { q.win.faults.fail("CreateMutexW", platform::kErrorAccessDenied); },
       kExitAnotherRun, "end exit code 1618: another installation is running", false, true},
      // A run mutex that cannot be made for another reason: the run goes on
      // unguarded.
      {"no run mutex", u"/quiet /remove",
       [](Quiet& q) { q.win.faults.fail("CreateMutexW", platform::kErrorInvalidHandle); },
       kExitSuccess, "end exit code 0: earlier installations removed"},
      {"removed but for a file in use", u"/quiet /remove /model 0",
       [](Quiet& q) { Leftovers(q.win).AddProgramUsingPlugIn(0); }, kExitRebootRequired,
       "end exit code 3010: earlier installations removed", true, false, "",
       finished_at_restart(false)},
      // An upgrade: the monitor closes when asked, the plug-in waits.
      {"installed but for a file in use", u"/quiet /network 192.168.7.20 /model 0",
       [](Quiet& q) {
         q.Finds({u"192.168.7.20", 9100, -1, 0x3850});
         Leftovers leftovers(q.win);
         leftovers.Add(0, u"Card printer at the desk");
         leftovers.AddRunningMonitor();
         leftovers.AddProgramUsingPlugIn(0);
       },
       kExitRebootRequired, "end exit code 3010: installation complete", true, false, "",
       finished_at_restart(true)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Quiet q(c.arguments);
    c.arrange(q);
    // An earlier installation's marker: only Step 1 deletes it.
    q.win.registry.put_value(platform::kHkeyLocalMachine, kSuccessMarkerKey, u"ExitCode",
                             platform::kRegDword, {0, 0, 0, 0});
    EXPECT_EQ(q.Run(), c.code);
    // A failed run leaves no marker, nor does a removal; one that ended
    // before Step 1 changed nothing; an installation marks its code.
    const bool installed =
        c.code == kExitRebootRequired &&
        std::u16string_view(c.arguments).find(u"/remove") == std::u16string_view::npos;
    EXPECT_EQ(MarkedExitCode(q.win), c.unchanged ? 0 : installed ? std::int64_t{c.code} : -1);
    if (c.unchanged) {
      EXPECT_EQ(q.win.faults.calls("EnumPrintersW"), 0);
    }
    EXPECT_EQ(q.Last(), c.last + kOwnProcess);
    EXPECT_EQ(q.console, platform::to_utf16(c.last.substr(4)).insert(0, u"Pelmora: ") + u"\r\n");
    // The wizard's own closing line says where the run stopped: no page
    // was ever closed.
    for (const auto& line : q.Lines()) EXPECT_EQ(line.find("closed"), std::string::npos) << line;
    q.ExpectNothingShown();
    EXPECT_EQ(q.OpenHandles(), 0u);
    if (c.after) c.after(q);
    if (!c.logged.empty()) {
      bool found = false;
      for (const auto& line : q.Lines()) found = found || line.find(c.logged) != std::string::npos;
      EXPECT_TRUE(found) << c.logged;
    }
    if (c.code == kExitChildTimeout) {
      // Its whole limit waited on the simulated clock (virtual time, the sum
      // of the fixed waits, not the machine's), then ended: nothing it
      // started runs on.
      EXPECT_GE(q.win.clock.total_slept(), 600000u);
      EXPECT_EQ(q.win.processes.running_count(u"DIFxCmd.exe") +
                    q.win.processes.running_count(u"rundll32.exe"),
                0);
    }
    if (!c.steps_run) {
      // Nothing was looked at, let alone changed.
      EXPECT_EQ(q.win.faults.calls("EnumPrintersW"), 0);
      EXPECT_EQ(q.Lines(),
                (std::vector<std::string>{
                    "start unattended \"" + platform::to_utf8(c.arguments) + "\": " +
                        (c.arguments == std::u16string(u"/quiet /usb /model 0") ? "USB, wait 0 s"
                                                                                : "remove") +
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
  const std::u16string made = u"C:\\ProgramData\\Orvane\\Logs\\Pelmora-install.log";
  const struct Case {
    const char* name;
    std::u16string arguments;
    std::u16string written;  // the log that holds the run's last line
    std::string refusal;     // the default log's line about /log, if any
    bool folder_refused = false;
  } cases[] = {
      {"missing folders made", u"/quiet /remove /log " + made, made, ""},
      {"a refusal in the made folder too", u"/quiet /bogus /log " + made, made, ""},
      {"a folder", u"/quiet /remove /log C:\\ProgramData", kLogPath,
       "start log \"C:\\ProgramData\": not used, it is a folder; the lines go to this log instead"},
      {"under a file", u"/quiet /remove /log C:\\Setup\\Pelmora.exe\\run.log", kLogPath,
       "start log \"C:\\Setup\\Pelmora.exe\\run.log\": not used, \"C:\\Setup\\Pelmora.exe\" is a "
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

TEST(QuietRun, ThePrintersOwnModelRowIsTakenFromOneToFourteen) {
  for (const int detected : {0, 1, 14, 15}) {
    SCOPED_TRACE(detected);
    Quiet q(u"/quiet /network 10.0.0.9 /model 0");
    q.Finds({u"10.0.0.9", 9100, detected, 0x3850});
    EXPECT_EQ(q.Run(), kExitSuccess) << q.Last();
    const int row = detected >= 1 && detected <= 14 ? detected : 0;
    EXPECT_TRUE(q.win.spooler.has_queue(ModelCatalogue[row].modelName));
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
  Quiet m(u"/quiet /network 10.0.0.9 /model 0");
  m.Finds({u"10.0.0.9", 9100, -1, 0x3850});
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
    // A plug-in in use: its deletion and its copy wait for the restart.
    Leftovers(q.win).AddProgramUsingPlugIn(0);
    q.win.faults.clear_log();
    // Staged, and the restart is what a deployment tool must act on.
    ASSERT_EQ(q.Run(), kExitRebootRequired) << q.Last();
    calls = q.win.faults.log();
  }
  ASSERT_GT(calls.size(), 60u);
  EXPECT_TRUE(std::any_of(calls.begin(), calls.end(),
                          [](const std::string& call) { return call.starts_with("MoveFileExW"); }));
  const std::set<std::uint32_t> documented = {
      kExitRebootRequired,   kExitNotAdministrator, kExitRemovalFailed,  kExitPreparationFailed,
      kExitPreinstallFailed, kExitAnotherRun,       kExitSpoolerStopped, kExitNoSockets};
  std::map<std::string, int> seen;
  for (const auto& entry : calls) {
    const std::string operation = entry.substr(0, entry.find(' '));
    const int nth = ++seen[operation];
    SCOPED_TRACE(entry + " #" + std::to_string(nth));
    Quiet q(arguments);
    Leftovers(q.win).AddProgramUsingPlugIn(0);
    q.win.faults.fail(operation, platform::kErrorAccessDenied, nth);
    const std::uint32_t code = q.Run();
    EXPECT_TRUE(documented.count(code)) << code;
    // A log that cannot be written loses its lines, the last one too.
    if (entry.find("Pelmora.log") == std::string::npos && operation != "GetTempPathW") {
      EXPECT_EQ(q.Last().rfind("end exit code " + std::to_string(code) + ": ", 0), 0u) << q.Last();
    }
    q.ExpectNothingShown();
    // A start without Windows Sockets says so on the console too.
    if (code == kExitNoSockets) {
      EXPECT_EQ(q.console, u"Pelmora: the installer could not start (Windows Sockets)\r\n");
    }
    EXPECT_EQ(q.OpenHandles(), 0u);
    // A replacement copied beside the plug-in stays only while a move at
    // the restart waits for it.
    const std::u16string beside =
        q.win.shell.full_path(u"C:\\Program Files\\Orvane\\Driver\\plugin\\Cardplug.dll.new");
    EXPECT_EQ(q.win.shell.has_file(beside),
              std::ranges::any_of(q.win.shell.pending_renames(),
                                  [&](const auto& pending) { return pending.first == beside; }));
    // The same command again on the system the failure left. A spooler
    // whose start failed stays stopped until the service manager's
    // recovery (or an administrator) starts it again.
    q.win.faults.clear();
    if (!q.win.services.running(u"Spooler")) q.win.services.add_service(u"Spooler", true);
    EXPECT_EQ(q.Run(), kExitRebootRequired) << q.Last();
    EXPECT_EQ(q.win.setup_api.oem_infs().size(), 1u);
    EXPECT_EQ(RunValue(q.win), kMonitorRunCommand);
  }
}

}  // namespace
}  // namespace pelmora::testing
