// Step 1 on a simulated Windows with the leftovers of earlier installations.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "cleanup_scenario.h"
#include "difx_tool.h"
#include "localized_text.h"
#include "support/sim_step_context.h"

namespace pelmora::testing {
namespace {

using platform::sim::SimWindows;

class Cleanup : public ::testing::Test {
 protected:
  // Model 0 unless a case chooses another.
  Cleanup() : context(win, 0), leftovers(win) { leftovers.AddTool(); }

  // A full earlier installation of `model` (and its pair partners), the
  // monitor, the utilities, and things of other makers.
  void SeedFull(int model) {
    context.modelIndex = model;
    leftovers.Add(EffectiveModelIndex(model), u"Card printer at the desk");
    leftovers.AddMonitorAndUtilities();
    leftovers.AddForeign();
  }

  std::u16string Status() { return host.text(IDC_STATUS); }
  // Whether a line of the installation log holds `text`.
  bool Logged(std::u16string_view text) {
    return win.shell.file_contents(context.log().Path()).find(platform::to_utf8(text)) !=
           std::string::npos;
  }

  SimWindows win;
  test_support::SimStepContext context;
  platform::sim::SimDialogHost& host = context.window;
  Leftovers leftovers;
};

TEST_F(Cleanup, FullStepRemovesEveryTraceOfTheModelAndNothingElse) {
  SeedFull(0);
  leftovers.Add(1, u"K2100");  // another family: not the selected model's
  // A paused queue with jobs: Windows refuses to delete it until the jobs
  // are purged.
  win.spooler.add_queue(
      {u"Paused desk", u"USB003", ModelCatalogue[0].modelName, 0, platform::kPrinterStatusPaused});
  win.spooler.set_jobs(u"Paused desk", 3);
  const std::uint64_t start = win.clock.now_ms();

  ASSERT_TRUE(RunCleanupStep(context)) << platform::to_utf8(Status());
  // Each operation's progress text is in the status line before the pump
  // paints it.
  EXPECT_EQ(
      test_support::StatusBeforePumps(host),
      (std::vector<std::u16string>{u"Cleaning Printers", u"Cleaning Drivers", u"Cleaning Monitors",
                                   u"Cleaning Driver Packages", u"Cleaning inf Files"}));

  EXPECT_EQ(leftovers.TracesOf(0), std::vector<std::string>{});
  EXPECT_EQ(win.processes.running_count(u"Tessaly.exe"), 0);
  EXPECT_FALSE(win.registry.value(platform::kHkeyLocalMachine, kRunKey, kMonitorRunValue, nullptr));
  EXPECT_FALSE(win.shell.has_file(u"C:\\Windows\\system32\\kvtool.exe"));
  EXPECT_FALSE(win.shell.has_file(u"C:\\Windows\\system32\\Scrubber.exe"));
  EXPECT_FALSE(win.shell.has_file(u"C:\\Program Files\\Orvane\\Driver\\plugin\\Cardplug.dll"));
  EXPECT_FALSE(win.shell.has_file(u"C:\\Program Files\\Orvane\\Driver\\plugin\\Cardplug.INI"));
  EXPECT_EQ(win.spooler.purges(u"Card printer at the desk"), 1);
  EXPECT_FALSE(win.spooler.has_queue(u"Paused desk"));

  // Foreign things stay: a queue named after the model with another driver,
  // another maker's queue, driver and OEM INF, a non-OEM INF with our disk
  // name, a process whose name differs in case only, another Run value, and
  // the other family.
  EXPECT_TRUE(win.spooler.has_queue(ModelCatalogue[0].modelName));
  EXPECT_TRUE(win.spooler.has_queue(u"Office laser"));
  EXPECT_TRUE(win.spooler.has_driver(u"HP LaserJet"));
  EXPECT_TRUE(win.shell.has_file(u"C:\\Windows\\INF\\oem90.inf"));
  EXPECT_TRUE(win.shell.has_file(u"C:\\Windows\\INF\\printer.inf"));
  EXPECT_EQ(win.processes.running_count(u"tessaly.exe"), 1);
  EXPECT_TRUE(win.registry.value(platform::kHkeyLocalMachine, kRunKey, u"Other", nullptr));
  EXPECT_EQ(leftovers.TracesOf(1).size(), 11u);

  // 16 s in four spooler restarts and the stop and start around the driver
  // files, 3 s in six half-second waits.
  EXPECT_EQ(win.clock.now_ms() - start, 19000u);
  EXPECT_EQ(win.services.service(u"Spooler").stops, 4);
  EXPECT_TRUE(win.services.running(u"Spooler"));
  EXPECT_EQ(host.positions(IDC_PROGRESS), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 0}));
  // The last half-second wait passes with the bar at its end.
  ASSERT_EQ(context.progress_times.size(), 8u);
  EXPECT_EQ(context.progress_times[7] - context.progress_times[6], 500u);
  EXPECT_EQ(host.control(IDC_PROGRESS).range_high, 6);
  // Each operation with a text of its own showed it and let the window
  // repaint before it worked.
  EXPECT_EQ(host.pumps(), 5);
  EXPECT_EQ(Status(), context.Text(kTextCleaningInfFiles));
  // The driver-package tool ran once, for the model's package, hidden.
  const auto started = win.processes.started();
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0].command_line,
            u"\"C:\\Setup\\Bin\\i386\\DIFxCmd\" /u \"C:\\Program "
            u"Files\\Orvane\\Driver\\ZELKO\\ZELKO.inf\"");
  EXPECT_EQ(started[0].creation_flags, 0x0A000000u);
  EXPECT_EQ(test_support::OpenHandles(win), 0u);

  // A second run on the cleaned system succeeds too.
  EXPECT_TRUE(RunCleanupStep(context)) << platform::to_utf8(Status());
}

TEST_F(Cleanup, AnUpgradeOverARunningInstallationLeavesOnlyWhatIsInUseToTheRestart) {
  leftovers.Add(0, u"Card printer at the desk");
  leftovers.AddRunningMonitor();
  leftovers.AddProgramUsingPlugIn(0);
  // The spooler has the driver's interface loaded: it sets the file aside.
  const std::u16string ui =
      win.spooler.driver_file_path(leftovers.environment(), 3, u"ZELKOui.dll");
  win.spooler.add_driver(ModelCatalogue[0].modelName, leftovers.environment(), 3, {u"ZELKOui.dll"});
  win.spooler.load_file(ui);
  const std::u16string plugin = u"C:\\Program Files\\Orvane\\Driver\\plugin\\Cardplug.dll";

  ASSERT_TRUE(RunCleanupStep(context)) << platform::to_utf8(Status());
  // Asked, the monitor ended by itself and let go of its files.
  EXPECT_EQ(win.processes.running_count(u"Tessaly.exe"), 0);
  EXPECT_TRUE(Logged(u"step1 close-window \"Tessaly\": ended within 0 ms"));
  EXPECT_FALSE(Logged(u"terminate-process"));
  EXPECT_EQ(win.shell.delete_file(u"C:\\Windows\\system32\\tesshook.dll"), 0u);
  EXPECT_EQ(win.shell.delete_file(u"C:\\Windows\\system32\\Tessaly.exe"), 0u);
  // The plug-in in use stays until the restart, its neighbour does not.
  EXPECT_TRUE(context.restartNeeded);
  EXPECT_TRUE(win.shell.has_file(plugin));
  EXPECT_FALSE(win.shell.has_file(u"C:\\Program Files\\Orvane\\Driver\\plugin\\Cardplug.INI"));
  EXPECT_TRUE(Logged(u"step1 delete-file \"" + plugin +
                     u"\": error 00000005, in use: deleted at the next restart"));
  EXPECT_FALSE(win.shell.has_file(ui));
  const std::u16string aside =
      win.spooler.driver_file_path(leftovers.environment(), 3, u"Old\\1\\ZELKOui.dll");
  EXPECT_TRUE(win.shell.has_file(aside));
  win.restart();
  EXPECT_FALSE(win.shell.has_file(plugin));
  EXPECT_FALSE(win.shell.has_file(aside));
  EXPECT_TRUE(win.shell.pending_renames().empty());
}

TEST_F(Cleanup, AMonitorThatDoesNotEndWhenAskedIsEndedAfterItsWait) {
  leftovers.Add(0, u"Card printer at the desk");
  leftovers.AddRunningMonitor(/*hangs=*/true);
  const std::size_t sleeps_before = win.clock.sleeps().size();
  ASSERT_TRUE(RunCleanupStep(context)) << platform::to_utf8(Status());
  EXPECT_EQ(win.processes.running_count(u"Tessaly.exe"), 0);
  EXPECT_TRUE(Logged(u"step1 close-window \"Tessaly\": still running after 5000 ms"));
  EXPECT_TRUE(Logged(u"step1 terminate-process \"Tessaly.exe\": ok"));
  // Fifty waits of 100 ms, and not one more, before the process is ended.
  const auto sleeps = win.clock.sleeps();
  std::size_t waits = 0;
  while (sleeps_before + waits < sleeps.size() && sleeps[sleeps_before + waits] == 100u) ++waits;
  EXPECT_EQ(waits, 50u);
  // Terminated, it let go of its files all the same.
  EXPECT_EQ(win.shell.delete_file(u"C:\\Windows\\system32\\tesshook.dll"), 0u);
  EXPECT_FALSE(context.restartNeeded);
}

TEST_F(Cleanup, SixtyFourBitWindowsLosesTheDriversOfBothEnvironments) {
  using platform::kEnvironmentX64;
  using platform::kEnvironmentX86;
  win.system.wow64 = true;  // the shipped 32-bit installer on 64-bit Windows
  SeedFull(6);              // Plug and Play's x64 driver of ZELKO-40
  win.shell.put_file(u"C:\\Windows\\SysWOW64\\Scrubber.exe", "MZ",
                     platform::kFileAttributeReadOnly);
  // The pair partner's x64 driver with a queue of any name, and a file of
  // its own that only the driver's deletion removes; the x86 drivers a
  // 32-bit program sees, their files in the x86 folder; another maker's
  // driver sharing the generic renderer.
  win.spooler.add_queue({u"Reception", u"USB002", u"VANTO-70 Card Printer", 0, 0});
  win.spooler.add_driver(u"VANTO-70 Card Printer", kEnvironmentX64, 3,
                         {u"ZELKOres.dll", u"unidrv.dll"});
  win.spooler.add_driver(ModelCatalogue[6].modelName, kEnvironmentX86, 3,
                         {u"ZELKOuni.dll", u"ZELKOui.dll"});
  win.spooler.add_driver(u"Contoso Label", kEnvironmentX64, 3, {u"unidrv.dll"});
  // Not a file of any driver: the driver-file cleanup of 64-bit Windows
  // leaves the x86 folder alone.
  win.shell.put_file(u"C:\\Windows\\system32\\spool\\drivers\\w32x86\\3\\ZELKO.ini", "x86");

  ASSERT_TRUE(RunCleanupStep(context)) << platform::to_utf8(Status());

  EXPECT_EQ(leftovers.TracesOf(6), std::vector<std::string>{});
  EXPECT_FALSE(win.spooler.has_queue(u"Reception"));
  std::vector<std::u16string> drivers;
  for (const auto& d : win.spooler.drivers()) drivers.push_back(d.name + u" / " + d.environment);
  EXPECT_EQ(drivers, (std::vector<std::u16string>{u"HP LaserJet / Windows x64",
                                                  u"Generic / Text Only / Windows x64",
                                                  u"Contoso Label / Windows x64"}));
  // The deleted drivers' files went with them, a file another driver uses
  // stayed.
  const std::u16string x86 = u"C:\\Windows\\system32\\spool\\drivers\\w32x86\\3\\";
  const std::u16string x64 = u"C:\\Windows\\system32\\spool\\drivers\\x64\\3\\";
  EXPECT_FALSE(win.shell.has_file(x86 + u"ZELKOuni.dll"));
  EXPECT_FALSE(win.shell.has_file(x86 + u"ZELKOui.dll"));
  EXPECT_FALSE(win.shell.has_file(x64 + u"ZELKOres.dll"));
  EXPECT_TRUE(win.shell.has_file(x64 + u"unidrv.dll"));
  EXPECT_TRUE(win.shell.has_file(x86 + u"ZELKO.ini"));
  // The log names the environment of each.
  const std::string log =
      win.shell.file_contents(u"C:\\Users\\Administrator\\AppData\\Local\\Temp\\Pelmora.log");
  for (const char* line :
       {"step1 delete-driver \"Orvane ZELKO-40 Card Printer\": ok, environment \"Windows NT x86\"",
        "step1 delete-driver \"Orvane ZELKO-40 Card Printer\": ok, environment \"Windows x64\"",
        "step1 delete-driver \"VANTO-70 Card Printer\": ok, environment \"Windows x64\""})
    EXPECT_NE(log.find(line), std::string::npos) << line;

  EXPECT_FALSE(win.shell.has_file(u"C:\\Windows\\SysWOW64\\Scrubber.exe"));
  EXPECT_EQ(win.shell.file_contents(u"C:\\Windows\\SysWOW64\\Pexlink2.dll"), "ZELKO");
  EXPECT_EQ(win.processes.started().at(0).command_line,
            u"\"C:\\Setup\\Bin\\amd64\\DIFxCmd\" /u \"C:\\Program Files "
            u"(x86)\\Orvane\\Driver\\ZELKO\\ZELKO.inf\"");

  // A 32-bit Windows has no SysWOW64 to clean and gets no library.
  SimWindows plain;
  test_support::SimStepContext plain_context(plain);
  Leftovers(plain).AddTool();
  plain.shell.put_file(u"C:\\Windows\\SysWOW64\\kvtool.exe", "MZ");
  ASSERT_TRUE(RunCleanupStep(plain_context));
  EXPECT_TRUE(plain.shell.has_file(u"C:\\Windows\\SysWOW64\\kvtool.exe"));
  EXPECT_FALSE(plain.shell.has_file(u"C:\\Windows\\SysWOW64\\Pexlink2.dll"));
}

TEST_F(Cleanup, WithoutAModelEveryCatalogueRowIsRemoved) {
  context.modelIndex = MODEL_NONE;
  for (int row = 0; row < kModelCount; ++row)
    leftovers.Add(row, platform::format(u"Queue %d", {row}));
  leftovers.AddForeign();
  ASSERT_TRUE(RunCleanupStep(context)) << platform::to_utf8(Status());
  for (int row = 0; row < kModelCount; ++row)
    EXPECT_EQ(leftovers.TracesOf(row), std::vector<std::string>{}) << "row " << row;
  // The tool ran once per row, rows sharing a package folder included.
  const auto started = win.processes.started();
  ASSERT_EQ(started.size(), 16u);
  std::set<std::u16string> lines;
  for (const auto& s : started) lines.insert(s.command_line);
  EXPECT_EQ(lines.size(), 9u);  // nine families
  // Rows 7 and 9 keep their package where Windows can hold it.
  EXPECT_TRUE(
      lines.count(u"\"C:\\Setup\\Bin\\i386\\DIFxCmd\" /u "
                  u"\"C:\\Program Files\\Generic\\Driver\\CardPRN\\CardPRN.inf\""));
  EXPECT_TRUE(win.spooler.has_queue(u"Office laser"));
  EXPECT_TRUE(win.shell.has_file(u"C:\\Windows\\INF\\oem90.inf"));
}

TEST_F(Cleanup, EachModelRemovesItsOwnLanguageMonitorKey) {
  const char16_t* const monitors[kModelCount] = {
      u"Orvane ZELKO Language Monitor", u"K2100-K2200 Language Monitor",
      u"Tavrin Language Monitor",       u"DX450 Language Monitor",
      u"KORVEN Language Monitor",       u"Orvane ZELKO Language Monitor",
      u"Orvane ZELKO Language Monitor", u"Card Printer",
      u"Tavrin Language Monitor",       u"Card Printer",
      u"KORVEN Language Monitor",       u"Brisca TMX410D Language Monitor",
      u"Orvane ZELKO Language Monitor", u"Orvane MARLO Language Monitor",
      u"Orvane MARLO Language Monitor", u"QEL Language Monitor"};
  for (int row = 0; row < kModelCount; ++row) {
    const std::u16string key = std::u16string(kMonitorsKey) + u"\\" + monitors[row];
    win.registry.put_string(platform::kHkeyLocalMachine, key, u"Driver", u"mon.dll");
    context.modelIndex = row;
    ASSERT_TRUE(RemoveMonitors(context));
    EXPECT_FALSE(win.registry.key_exists(platform::kHkeyLocalMachine, key)) << "row " << row;
  }
}

TEST_F(Cleanup, AnEmptySystemSkipsTheWaitsOfNothingToRemove) {
  win.shell.put_file(u"C:\\Windows\\INF\\printer.inf", MakerInf(u"Generic"));
  const std::uint64_t start = win.clock.now_ms();
  ASSERT_TRUE(RunCleanupStep(context));
  // No queues and no drivers: neither the 500 ms waits of those two nor the
  // second spooler restart.
  EXPECT_EQ(win.clock.now_ms() - start, 19000u - 500 - 500 - 4000);
  EXPECT_EQ(win.services.service(u"Spooler").stops, 3);
}

TEST_F(Cleanup, AMonitorThatRestartsItselfStopsTheStep) {
  win.processes.add_process(u"Tessaly.exe", /*restarts=*/true);
  leftovers.Add(0, u"Desk");
  EXPECT_FALSE(RunCleanupStep(context));
  EXPECT_EQ(Status(), u"KillTessaly() failed with error FFFFFFFF: ");
  EXPECT_EQ(host.positions(IDC_PROGRESS).back(), 0);  // the first operation failed
  EXPECT_TRUE(win.spooler.has_queue(u"Desk"));
  // The status line holds at most 255 characters of an error text.
  const std::u16string name(250, u'F');
  ReportApiError(context, name, 5);
  EXPECT_EQ(Status(), name + u"() fa");
}

TEST_F(Cleanup, ASpoolerThatCannotBeOpenedIsReported) {
  win.faults.fail("OpenServiceW", platform::kErrorAccessDenied, 1, true);
  EXPECT_FALSE(RunCleanupStep(context));
  EXPECT_EQ(Status(), kRestartSpoolerFailedText);
  EXPECT_EQ(host.positions(IDC_PROGRESS).back(), 1);
}

TEST_F(Cleanup, InfListsWithOddEntriesAreWalkedWithinTheirLength) {
  leftovers.Add(0, u"Desk");
  // An INF that SetupAPI reads as Windows 4 style only by its signature, one
  // whose disk 100 is in the decorated section, and one that is no INF.
  win.shell.put_file(u"C:\\Windows\\INF\\oem40.inf",
                     "[version]\nsignature=$CHICAGO$\n[SourceDisksNames.x86]\n"
                     "100=\"Orvane ZELKO-40 Card Printer\" ; the pair partner\n");
  win.shell.put_file(u"C:\\Windows\\INF\\oem41.inf", std::string("\xFF\xFE", 2));
  win.shell.put_file(u"C:\\Windows\\INF\\oem42.inf",
                     "[Version]\nSignature=\"$Windows NT$\"\n[SourceDisksNames]\n100=\"" +
                         std::string(1100, 'x') + "\"\n");
  ASSERT_TRUE(RemoveInfFiles(context));
  EXPECT_FALSE(win.shell.has_file(u"C:\\Windows\\INF\\oem40.inf"));
  EXPECT_TRUE(win.shell.has_file(u"C:\\Windows\\INF\\oem41.inf"));
  EXPECT_TRUE(win.shell.has_file(u"C:\\Windows\\INF\\oem42.inf"));
  EXPECT_EQ(leftovers.TracesOf(0),
            (std::vector<std::string>{"queue Desk", "driver", "monitor key", "package folder",
                                      "monitor dll", "spool file uni.dll", "spool file ui.dll",
                                      "spool file .bud", "spool file .gpd", "spool file .ini"}));
}

// SetupGetInfFileListW calls of the call log, with the folder each named.
std::vector<std::string> InfListCalls(platform::sim::Faults& faults) {
  std::vector<std::string> calls;
  for (const auto& entry : faults.log())
    if (entry.rfind("SetupGetInfFileListW", 0) == 0) calls.push_back(entry);
  return calls;
}

TEST_F(Cleanup, TheSystemInfFolderIsListedAlsoOnARemoteDesktopHost) {
  // A Terminal Server shows a program not marked Terminal-Server-aware a
  // Windows folder of the user's own; the OEM INF files stay in the system's.
  win.shell.per_user_windows_folder = u"C:\\Users\\Pat\\WINDOWS";
  win.shell.put_directory(u"C:\\Users\\Pat\\WINDOWS\\INF");
  auto oem_traces = [&] {
    int count = 0;
    for (const auto& trace : leftovers.TracesOf(0)) count += trace.rfind("oem inf", 0) == 0;
    return count;
  };
  for (const bool wine : {false, true}) {
    SCOPED_TRACE(wine ? "as Wine" : "as Windows");
    win.setup_api.lists_nothing_without_folder = wine;
    leftovers.Add(0, u"Desk");
    ASSERT_EQ(oem_traces(), 1);
    win.faults.clear_log();
    ASSERT_TRUE(RemoveInfFiles(context)) << platform::to_utf8(Status());
    EXPECT_EQ(oem_traces(), 0);
    // No folder first; the system Windows folder's INF folder only where
    // that lists nothing.
    const std::vector<std::string> asked =
        wine ? std::vector<std::string>{"SetupGetInfFileListW",
                                        "SetupGetInfFileListW C:\\Windows\\INF"}
             : std::vector<std::string>{"SetupGetInfFileListW"};
    EXPECT_EQ(InfListCalls(win.faults), asked);

    // The driver-package tool finds the package's OEM INF the same way.
    leftovers.Add(0, u"Desk");
    std::u16string output;
    EXPECT_EQ(difx::run_difx_command(
                  win.setup_api, win.shell,
                  {u"/u", u"C:\\Program Files\\Orvane\\Driver\\ZELKO\\ZELKO.inf"}, &output),
              0u)
        << platform::to_utf8(output);
    EXPECT_EQ(oem_traces(), 0);
  }
}

// Which status text a failure of each call leads to, when the step stops;
// empty for a call whose failure must not stop it.
std::u16string ExpectedFailureText(const std::string& operation) {
  if (operation == "RegOpenKeyExW") return u"KillTessaly() failed with error FFFFFFFF: ";
  // The text names the call without the W of its wide-character form.
  static const std::set<std::string> kNamed = {
      "EnumPrintersW",       "OpenPrinterW",           "SetPrinterW",          "DeletePrinter",
      "EnumPrinterDriversW", "DeletePrinterDriverExW", "SetupGetInfFileListW", "RegDeleteKeyW"};
  if (!kNamed.count(operation)) return {};
  const std::string name =
      operation.ends_with('W') ? operation.substr(0, operation.size() - 1) : operation;
  return platform::to_utf16(name) + u"() failed with error 00000005: Access is denied.";
}

// Each call of a full Step 1 fails in turn. The step either goes on (the
// result is ignored there) or stops with that call's text; nothing is left
// open; a second run without the fault removes everything.
TEST(CleanupFaults, EveryCallFailedInTurn) {
  auto seed = [](SimWindows& win) {
    Leftovers leftovers(win);
    leftovers.AddTool();
    leftovers.AddEarlierInstallation();
    leftovers.AddForeign();
    // A monitor that ends when asked, and a plug-in deleted at the restart.
    leftovers.AddRunningMonitor();
    leftovers.AddProgramUsingPlugIn(0);
    win.devices.add_node({"USB\\VID_0016&PID_3850\\1", {"USB\\VID_0016&PID_3850&REV_0100"}, false});
  };
  std::vector<std::string> calls;
  {
    SimWindows win;
    seed(win);
    test_support::SimStepContext context(win, 0);
    win.faults.clear_log();
    ASSERT_TRUE(RunCleanupStep(context));
    ASSERT_TRUE(RemoveStaleUsbDevices(context, 0));
    calls = win.faults.log();
  }
  ASSERT_GT(calls.size(), 60u);
  EXPECT_TRUE(std::any_of(calls.begin(), calls.end(),
                          [](const std::string& call) { return call.starts_with("MoveFileExW"); }));
  std::map<std::string, int> seen;
  for (const auto& entry : calls) {
    const std::string operation = entry.substr(0, entry.find(' '));
    const int nth = ++seen[operation];
    SCOPED_TRACE(entry + " #" + std::to_string(nth));
    SimWindows win;
    seed(win);
    test_support::SimStepContext context(win, 0);
    win.faults.fail(operation, platform::kErrorAccessDenied, nth);
    const bool cleaned = RunCleanupStep(context);
    const bool usb = RemoveStaleUsbDevices(context, 0);
    if (!cleaned) {
      const std::u16string status = context.window.text(IDC_STATUS);
      if (operation == "OpenSCManagerW" || operation == "OpenServiceW") {
        // RemoveDrivers and RemoveMonitors say so; DeleteDriverFiles fails
        // without a text of its own.
        EXPECT_TRUE(status == kRestartSpoolerFailedText ||
                    status == context.Text(kTextCleaningDriverPackages))
            << platform::to_utf8(status);
      } else if (operation == "StartServiceW") {
        // The spooler stays stopped: the next spooler call says so.
        EXPECT_NE(status.find(u"failed with error 000006BA: The RPC server is unavailable."),
                  std::u16string::npos)
            << platform::to_utf8(status);
      } else {
        const std::u16string expected = ExpectedFailureText(operation);
        EXPECT_FALSE(expected.empty()) << "stopped: " << platform::to_utf8(status);
        EXPECT_EQ(status, expected);
      }
    }
    EXPECT_EQ(test_support::OpenHandles(win), 0u);
    EXPECT_TRUE(win.services.running(u"Spooler") || operation == "StartServiceW");
    if (!usb) {
      // Only a failure inside the device walk makes it fail.
      EXPECT_EQ(operation.rfind("SetupDi", 0), 0u);
    }
    win.faults.clear();
    // A start that failed leaves the spooler stopped; the administrator
    // starts it again before the next try.
    if (!win.services.running(u"Spooler")) win.services.add_service(u"Spooler", true);
    EXPECT_TRUE(RunCleanupStep(context)) << platform::to_utf8(context.window.text(IDC_STATUS));
    EXPECT_TRUE(RemoveStaleUsbDevices(context, 0));
    Leftovers check(win);
    EXPECT_EQ(check.TracesOf(0), std::vector<std::string>{});
    EXPECT_EQ(check.TracesOf(6), std::vector<std::string>{});
    EXPECT_EQ(win.processes.running_count(u"Tessaly.exe"), 0);
    EXPECT_TRUE(win.devices.nodes().empty());
  }
}

TEST_F(Cleanup, StaleUsbNodesMatchTheirFirstHardwareIdOnly) {
  auto add = [this](std::string instance, std::vector<std::string> ids, bool present) {
    win.devices.add_node({std::move(instance), std::move(ids), present});
  };
  // Lower case with a revision suffix matches; so does an unplugged node.
  add("USB\\VID_0016&PID_3850\\A", {"usb\\vid_0016&pid_3850&rev_0100", "USB\\VID_0016&PID_3850"},
      true);
  add("USB\\VID_0016&PID_3850\\B", {"USB\\VID_0016&PID_3850"}, false);
  // The product id only in a later entry, another product, another bus, a
  // list that does not fit in 100 bytes, a node without hardware ids.
  add("USB\\VID_0016&PID_3870\\C", {"USB\\VID_0016&PID_3870", "USB\\VID_0016&PID_3850"}, true);
  add("USB\\VID_0016&PID_3851\\D", {"USB\\VID_0016&PID_3851"}, true);
  add("HID\\VID_0016&PID_3850\\E", {"USB\\VID_0016&PID_3850"}, true);
  add("USB\\VID_0016&PID_3850\\F", {"USB\\VID_0016&PID_3850&REV_0100", std::string(80, 'x')}, true);
  add("USB\\VID_0016&PID_3850\\G", {}, true);
  EXPECT_TRUE(RemoveStaleUsbDevices(context, 5));
  std::vector<std::string> left;
  for (const auto& n : win.devices.nodes()) left.push_back(n.instance_id);
  EXPECT_EQ(left,
            (std::vector<std::string>{"USB\\VID_0016&PID_3870\\C", "USB\\VID_0016&PID_3851\\D",
                                      "HID\\VID_0016&PID_3850\\E", "USB\\VID_0016&PID_3850\\F",
                                      "USB\\VID_0016&PID_3850\\G"}));

  // Rows 7, 9, 10 and 15 use the prefix table, not their product ids.
  EXPECT_EQ(std::string(UsbHardwareIdPrefix(10)), "USB\\VID_0016&PID_3850");
  EXPECT_EQ(std::string(UsbHardwareIdPrefix(15)), "USB\\VID_0016&PID_3870");
  // Model 11 removes the nodes of its own product only.
  add("USB\\VID_0016&PID_3875\\T", {"USB\\VID_0016&PID_3875&REV_0100"}, true);
  EXPECT_TRUE(RemoveStaleUsbDevices(context, 11));
  ASSERT_EQ(win.devices.nodes().size(), 5u);
  EXPECT_EQ(win.devices.nodes().back().instance_id, "USB\\VID_0016&PID_3850\\G");

  // A removal that fails ends the walk with false; an enumeration that fails
  // ends it too instead of trying the same node for ever.
  add("USB\\VID_0016&PID_3851\\H", {"USB\\VID_0016&PID_3851"}, true);
  win.faults.fail("SetupDiRemoveDevice", platform::kErrorAccessDenied);
  EXPECT_FALSE(RemoveStaleUsbDevices(context, 1));
  const int enumerated = win.faults.calls("SetupDiEnumDeviceInfo");
  win.faults.fail("SetupDiEnumDeviceInfo", platform::kErrorInvalidHandle, 1, true);
  EXPECT_FALSE(RemoveStaleUsbDevices(context, 1));
  EXPECT_LE(win.faults.calls("SetupDiEnumDeviceInfo") - enumerated, 10);
  EXPECT_EQ(win.devices.open_sets(), 0u);
}

}  // namespace
}  // namespace pelmora::testing
