// Unattended runs of the installer on a simulated Windows with the build's
// media: each failure class with its exit code and last log line, the log
// /log names, every call failed in turn, and the command lines that are
// refused. Nothing is ever shown. The runs on every desk are in
// unattended_desk_test.cpp.
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
  struct Case {
    std::uint32_t session;
    bool local_system;
    bool account_unknown;
    std::string logged;  // after "step2 start "...\Tessaly.exe": "
  };
  const std::vector<Case> cases = {
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
  struct Case {
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
  };
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
      if (installed)
        EXPECT_EQ(q.win.shell.file_contents(plugin),
                  q.win.shell.file_contents(u"C:\\Setup\\plugin\\Cardplug.dll"));
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
  const std::vector<Case> cases = {
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
    if (c.unchanged) EXPECT_EQ(q.win.faults.calls("EnumPrintersW"), 0);
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
    // A plug-in in use: its deletion and its copy wait for the restart.
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
    if (code == kExitNoSockets)
      EXPECT_EQ(q.console, u"Pelmora: the installer could not start (Windows Sockets)\r\n");
    EXPECT_EQ(q.OpenHandles(), 0u);
    // A replacement copied beside the plug-in stays only while a move at
    // the restart waits for it.
    const std::u16string beside =
        q.win.shell.full_path(u"C:\\Program Files\\Orvane\\Driver\\plugin\\Cardplug.dll.new");
    bool awaited = false;
    for (const auto& pending : q.win.shell.pending_renames())
      awaited = awaited || pending.first == beside;
    EXPECT_EQ(q.win.shell.has_file(beside), awaited);
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
      // Blanks, dashes and slashes that only look like ASCII ones.
      {u"\u3000/quiet /usb",
       "an ideographic space (U+3000) starts the command line; words are separated by ordinary "
       "blanks"},
      {u"/quiet /usb\u202F",
       "a narrow no-break space (U+202F) follows \"/usb\"; words are "
       "separated by ordinary blanks"},
      {u"\u2013quiet /usb", "\"\u2013quiet\" starts with an en dash (U+2013), not \"-\" or \"/\""},
      {u"/quiet \u2014usb", "\"\u2014usb\" starts with an em dash (U+2014), not \"-\" or \"/\""},
      {u"\u2212quiet /remove",
       "\"\u2212quiet\" starts with a minus sign (U+2212), not \"-\" or \"/\""},
      // What a Japanese or Chinese input method types for "-".
      {u"\uFF0Dquiet /usb",
       "\"\uFF0Dquiet\" starts with a fullwidth hyphen-minus (U+FF0D), not \"-\" or \"/\""},
      {u"/quiet /remove \uFF0Fmodel 3",
       "\"\uFF0Fmodel\" starts with a fullwidth solidus (U+FF0F), not \"-\" or \"/\""},
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
  // A refused line of 200 characters is logged whole, one of 201 cut.
  for (const std::size_t size : {std::size_t{200}, std::size_t{201}}) {
    std::u16string refused = u"/quiet /bogus ";
    refused.resize(size, u'x');
    Quiet q(refused);
    EXPECT_EQ(q.Run(), kExitBadCommandLine);
    EXPECT_EQ(q.Lines()[0].find("\"" + platform::to_utf8(refused) + "\"") != std::string::npos,
              size == 200);
  }
  // The log shows its first 200 characters.
  const std::u16string over_long = u"/quiet /usb " + std::u16string(1100, u'x');
  Quiet longer(over_long);
  EXPECT_EQ(longer.Run(), kExitBadCommandLine);
  EXPECT_EQ(longer.Lines()[0], "start command-line \"" +
                                   platform::to_utf8(over_long.substr(0, 200)) +
                                   "...\": refused: the command line is longer than 1024 "
                                   "characters" +
                                   kOwnProcess);
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

TEST(QuietCommandLine, EveryLookAlikeIsNamedByItsOwnWords) {
  // Every character of the Basic Multilingual Plane, as a blank after a word
  // and as the first character of a switch. A refusal names the character
  // by its code point and by words no other character has, with the right
  // article.
  std::map<std::string, unsigned> named;
  std::set<unsigned> blanks, leads;
  for (unsigned c = 0x80; c <= 0xFFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const std::u16string ch(1, static_cast<char16_t>(c));
    const std::string code = platform::to_utf8(platform::format(u" (U+%04X)", {c}));
    for (const std::u16string& line : {u"/quiet" + ch + u"/usb", u"/quiet " + ch + u"usb"}) {
      const std::string error = platform::to_utf8(ParseCommandSwitches(line).error);
      const std::size_t at = error.find(code);
      if (at == std::string::npos) continue;
      std::string words = error.substr(0, at);
      const std::size_t lead = words.find(" starts with ");
      if (lead != std::string::npos) words = words.substr(lead + 13);
      (lead != std::string::npos ? leads : blanks).insert(c);
      SCOPED_TRACE(words);
      const std::size_t next = words.find(' ') + 1;
      ASSERT_LT(next, words.size());
      const bool vowel = std::string("aeiouAEIOU").find(words[next]) != std::string::npos;
      EXPECT_EQ(words.substr(0, next), vowel ? "an " : "a ");
      const auto [it, first] = named.emplace(words, c);
      EXPECT_TRUE(first || it->second == c) << "also U+" << std::hex << it->second;
    }
  }
  // Blanks: Unicode's space separators (Zs), its line and paragraph
  // separators, and the invisible characters that break a line or once were
  // spaces.
  for (unsigned blank : {0x00A0u, 0x1680u, 0x2000u, 0x2001u, 0x2002u, 0x2003u, 0x2004u, 0x2005u,
                         0x2006u, 0x2007u, 0x2008u, 0x2009u, 0x200Au, 0x2028u, 0x2029u, 0x202Fu,
                         0x205Fu, 0x3000u, 0x0085u, 0x180Eu, 0x200Bu, 0xFEFFu})
    EXPECT_EQ(blanks.count(blank), 1u) << std::hex << blank;
  // Dashes and slashes: Unicode's dash punctuation (Pd) of the punctuation
  // blocks with its small and fullwidth forms, the soft hyphen, the hyphen
  // bullet, the minus sign, and the fraction, division and fullwidth slashes.
  for (unsigned dash :
       {0x2010u, 0x2011u, 0x2012u, 0x2013u, 0x2014u, 0x2015u, 0x2E3Au, 0x2E3Bu, 0xFE58u, 0xFE63u,
        0xFF0Du, 0x00ADu, 0x2043u, 0x2212u, 0x2044u, 0x2215u, 0xFF0Fu})
    EXPECT_EQ(leads.count(dash), 1u) << std::hex << dash;
}

TEST(QuietCommandLine, TheLanguageSearchSeesNeitherSwitchesNorValues) {
  // Without a switch the text is the wizard's as before.
  EXPECT_FALSE(ParseCommandSwitches(u"/KOR").present);
  EXPECT_FALSE(ParseCommandSwitches(u"/usb-ish /KOR").present);
  struct Case {
    const char16_t* arguments;
    int language;
    const char16_t* log = kLogPath;
    int model = 0;  // over the settings file's MODEL: 0
  };
  for (const Case& c : {
           Case{u"/quiet /network PER0012A", 0},  // a printer id holding PER
           Case{u"/quiet /usb /log C:\\Import\\p.log", 0, u"C:\\Import\\p.log"},  // POR
           Case{u"/quiet /remove /model 3", 0, kLogPath, 3},
           Case{u"-Quiet -REMOVE -model 3 -kor", 1, kLogPath, 3},  // "-" as well as "/"
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
    q.Finds({u"10.0.0.9", 9100, -1, 0x3850});                          // found before Step 1
    EXPECT_EQ(q.Run(), kExitRemovalFailed);
    EXPECT_TRUE(q.Logged("start Pelmora \"" PELMORA_VERSION_TEXT "\": Windows 14 (6.1.7601), "
                         "WOW64 no, model " +
                             std::string(c.model == 3 ? "3 \"Lumetra DX450\""
                                                      : "0 \"Orvane ZELKO-70 Card Printer\"") +
                             ", language " + std::to_string(c.language) + kOwnProcess,
                         c.log))
        << (q.Lines().empty() ? std::string("no log") : q.Lines()[0]);
  }
  const CommandSwitches quoted = ParseCommandSwitches(u"/quiet /usb /log \"C:\\Log Files\\x.log\"");
  EXPECT_EQ(quoted.logPath, u"C:\\Log Files\\x.log");
  EXPECT_TRUE(quoted.error.empty());
  // Inside quotes a value is taken as written, look-alikes and all.
  const CommandSwitches literal =
      ParseCommandSwitches(u"/quiet /usb /log \"C:\\a\u00A0b\u2013c.log\"");
  EXPECT_EQ(literal.logPath, u"C:\\a\u00A0b\u2013c.log");
  EXPECT_TRUE(literal.error.empty());
}

TEST(QuietCommandLine, WhereNobodyCanAnswerNoWindowIsShownWhateverTheLine) {
  // Session 0 (a deployment agent's SYSTEM), a window station that is not
  // visible, or one that cannot be examined: refused without a box or the
  // wizard, the reason in the log.
  enum Where { SessionZero, HiddenStation, UnknownStation, Desk };
  const std::string kNobody[] = {
      "nobody can answer a window in session 0",
      "nobody can answer a window: the window station is not visible",
      "nobody can be known to answer a window: the window station's flags could not be read, "
      "error 00000005",
      ""};
  struct Case {
    std::u16string arguments;
    Where where;
    std::string why;  // the refusal
    bool box_logged;  // the usage box would have been shown to a person
  };
  const std::string kNoUnattended = ", and the command line asks for no unattended run";
  const std::string kQuietHint = " (an unattended run is /quiet with /usb, /network or /remove)";
  const std::u16string kOverLong = u"/quiet /usb " + std::u16string(1100, u'x');
  const std::vector<Case> cases = {
      {u"/qn /usb", SessionZero, "unknown switch \"/qn\"" + kQuietHint, false},
      {u"/quite /usb", SessionZero, "unknown switch \"/quite\"" + kQuietHint, false},
      {u"/S", SessionZero, "unknown switch \"/S\"" + kQuietHint, false},
      {u"/silent", SessionZero, "unknown switch \"/silent\"" + kQuietHint, false},
      {u"/usb", SessionZero, "the switches need /quiet", true},
      {u"\u2013quiet /usb", SessionZero,
       "\"\u2013quiet\" starts with an en dash (U+2013), not \"-\" or \"/\"", false},
      {u"/quiet\u00A0/usb", SessionZero,
       "a no-break space (U+00A0) follows \"/quiet\"; words are separated by ordinary blanks",
       false},
      {u"", SessionZero, kNobody[SessionZero] + kNoUnattended, true},
      {u"/KOR", SessionZero, kNobody[SessionZero] + kNoUnattended, true},
      {kOverLong, SessionZero, "the command line is longer than 1024 characters", false},
      {u"", HiddenStation, kNobody[HiddenStation] + kNoUnattended, true},
      {u"/usb", HiddenStation, "the switches need /quiet", true},
      {u"ENG", UnknownStation, kNobody[UnknownStation] + kNoUnattended, true},
      // At a person's desk, a line asking for quiet shows no box either.
      {u"/S", Desk, "unknown switch \"/S\"" + kQuietHint, false},
      {kOverLong, Desk, "the command line is longer than 1024 characters", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(platform::to_utf8(c.arguments.substr(0, 40)) + " where " +
                 std::to_string(c.where));
    Quiet q(c.arguments);
    if (c.where == SessionZero) q.win.system.session = 0;
    if (c.where == HiddenStation) q.win.system.visible_window_station = false;
    if (c.where == UnknownStation)
      q.win.faults.fail("GetUserObjectInformationW", platform::kErrorAccessDenied);
    EXPECT_EQ(q.Run(), kExitBadCommandLine);
    q.ExpectNothingShown();
    const auto lines = q.Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_NE(lines[0].find("\": refused: " + c.why + kOwnProcess), std::string::npos) << lines[0];
    EXPECT_EQ(q.Logged("start message-box \"Pelmora\": not shown, " + kNobody[c.where]),
              c.box_logged);
    EXPECT_EQ(lines.back(), "end exit code 1639: invalid command line" + kOwnProcess);
    // Nothing was done, and the run mutex was never taken.
    EXPECT_EQ(q.win.faults.calls("EnumPrintersW"), 0);
    EXPECT_EQ(q.win.faults.calls("CreateMutexW"), 0);
  }
  // At a person's desk the wizard starts as before, language code and all.
  for (const char16_t* arguments : {u"", u"/KOR", u"ENG"}) {
    Quiet q(arguments);
    q.Run();
    EXPECT_EQ(q.shown_dialogs, 1);
    EXPECT_TRUE(q.win.desktop.shown_ui().empty());
  }
}

}  // namespace
}  // namespace pelmora::testing
