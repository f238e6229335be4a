// The installation log over whole wizard runs on a simulated Windows with
// the build's media: a USB installation over an earlier one, a failing
// Step 1, and runs whose log cannot be written.
#include "install_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "cleanup_scenario.h"
#include "install_scenario.h"

namespace pelmora::testing {
namespace {

// The operation lines: CamelCase actions, as the installer names them.
std::vector<std::string> Operations(const std::vector<std::string>& lines) {
  static const std::regex kOperation("(step[123]) [A-Z][A-Za-z]+( \"[^\"]*\")?: .*");
  std::vector<std::string> out;
  for (const auto& line : lines)
    if (std::regex_match(Body(line), kOperation)) out.push_back(Body(line));
  return out;
}

// Everything a person at the screen sees at each stop of a USB run.
struct Screens {
  std::vector<std::u16string> status;
  std::vector<int> progress;
  std::size_t message_boxes = 0;
  int state = -1;
  bool operator==(const Screens&) const = default;
};

// Model 0 over USB, Step 1 to Close, the printer plugged in on Step 3.
Screens RunUsbInstallation(Wizard& w) {
  Screens screens;
  auto stop = [&] { screens.status.push_back(w.host.text(IDC_STATUS)); };
  w.dialog.OnInitDialog();
  w.Click(IDC_NEXT);
  stop();
  w.Click(IDC_NEXT);
  stop();
  w.Run(1000);
  stop();
  w.Click(IDC_NEXT);
  w.Run(2000);
  PlugPrinter(w.win, 0);
  w.Run(2000);  // one tick finds the printer, the next opens its queue
  stop();
  w.Click(IDC_NEXT);
  w.dialog.handle_message({platform::kWmDestroy, 0, 0});
  screens.progress = w.host.positions(IDC_PROGRESS);
  screens.message_boxes = w.host.message_boxes().size() + w.win.desktop.message_boxes().size();
  screens.state = w.dialog.wizardState;
  return screens;
}

TEST(InstallLog, LinesAreBoundedSingleLinesWithQuotedSubjects) {
  const platform::LocalTime time{2026, 12, 9, 6, 10, 2, 999};
  EXPECT_EQ(FormatLogLine(time, u"step1", u"delete-queue " + Quoted(u"Say \"hi\""), u"ok"),
            "2026-12-09 06:10:02 step1 delete-queue \"Say \"\"hi\"\"\": ok\r\n");
  // A system text with line breaks of its own stays on its line.
  EXPECT_EQ(FormatLogLine(time, u"step2", u"CheckPapers", u"failed: a\r\nb\tc\u007F~\u0080"),
            "2026-12-09 06:10:02 step2 CheckPapers: failed: a  b c ~\xC2\x80\r\n");
  // Too long: cut between two characters of three bytes each, marked.
  const std::string line =
      FormatLogLine(time, u"step1", u"delete-file " + Quoted(std::u16string(2000, u'한')), u"ok");
  EXPECT_LE(line.size(), kMaxLogLineBytes);
  EXPECT_GT(line.size(), kMaxLogLineBytes - 6);
  EXPECT_EQ(line.substr(line.size() - 5), "...\r\n");
  EXPECT_EQ(line.substr(0, line.size() - 5),
            platform::to_utf8(platform::to_utf16(line.substr(0, line.size() - 5))));
  // One-byte characters fill the line to its last byte.
  EXPECT_EQ(FormatLogLine(time, u"step1", std::u16string(2000, u'x'), u"ok").size(),
            kMaxLogLineBytes);
}

TEST(InstallLog, UsbInstallationOverAnEarlierOne) {
  Wizard w(0);
  Leftovers(w.win).AddEarlierInstallation();
  // The start and end lines name the process.
  w.win.processes.own_id = 5208;
  // An earlier run's lines stay in front.
  w.win.shell.put_file(kLogPath, "2026-12-01 09:00:00 end Pelmora: installation complete\r\n");
  const Screens screens = RunUsbInstallation(w);
  ASSERT_EQ(screens.state, WIZ_INSTALLING);
  ASSERT_EQ(screens.status.back(), kClickCloseText);

  const std::vector<std::string> lines = LogLines(w.win);
  ASSERT_GT(lines.size(), 30u);
  EXPECT_EQ(lines[0], "2026-12-01 09:00:00 end Pelmora: installation complete");
  EXPECT_EQ(lines[1],
            "2026-12-09 06:10:00 start Pelmora \"2.0.0.0\": Windows 14 (6.1.7601), WOW64 no, "
            "model 0 \"Orvane ZELKO-70 Card Printer\", language 0, process 5208");
  // Time stamps come from the clock: Step 1 spends its 19 s in fixed waits.
  EXPECT_NE(std::ranges::find(lines, "2026-12-09 06:10:19 step1 RunCleanupStep: ok"), lines.end());
  EXPECT_EQ(lines.back().substr(19),
            " end Pelmora: installation complete, exit code 0, process 5208");

  EXPECT_EQ(Operations(lines),
            (std::vector<std::string>{
                "step1 RemovePrinters: ok",
                "step1 RemoveDrivers: ok",
                "step1 RemoveMonitors: ok",
                "step1 RemoveDriverPackages: ok",
                "step1 DeleteDriverFiles: ok",
                "step1 RemoveInfFiles: ok",
                "step1 DeleteUtilityFiles: ok",
                "step1 RunCleanupStep: ok",
                "step2 CheckSystemFiles: ok",
                "step2 CheckPapers: ok",
                "step2 PreinstallDriverPackage: ok",
                "step2 RegisterMonitorAutorun: ok",
                "step2 PreinstallWorker: ok",  // the simulated worker runs at once
                "step2 StartPreinstallWorker: ok",
                "step2 RunPreparationStep: ok",
                "step3 RemoveStaleUsbDevices \"USB\\VID_0016&PID_3850\": ok",
                "step3 RemoveStaleUsbDevices \"USB\\VID_0016&PID_3870\": ok",
                "step3 StartInstall \"USB\": ok",
            }));

  // What Step 1 found and removed, and nothing it did not find.
  const char* const removed[] = {
      "step1 delete-run-value \"Tessaly\": ok",
      "step1 delete-queue \"Desk\": ok, driver \"Orvane ZELKO-70 Card Printer\"",
      "step1 delete-queue \"Desk 40\": ok, driver \"Orvane ZELKO-40 Card Printer\"",
      "step1 delete-driver \"Orvane ZELKO-70 Card Printer\": ok",
      "step1 delete-driver \"Orvane ZELKO-40 Card Printer\": ok",
      "step1 delete-monitor-key \"Orvane ZELKO Language Monitor\": ok",
      "step1 run \"\"\"C:\\Setup\\Bin\\i386\\DIFxCmd\"\" /u \"\"C:\\Program Files\\Orvane\\Driver\\"
      "ZELKO\\ZELKO.inf\"\"\": exit code 0",
      "step1 delete-folder \"C:\\Program Files\\Orvane\\Driver\\ZELKO\": ok",
      "step1 delete-file \"C:\\Windows\\system32\\ZELKOmon.dll\": ok",
      "step1 delete-file \"C:\\Windows\\system32\\spool\\drivers\\w32x86\\3\\ZELKOuni.dll\": ok",
      "step1 delete-file \"C:\\Windows\\system32\\spool\\drivers\\w32x86\\3\\ZELKO.ini\": ok",
      "step1 delete-file \"C:\\Program Files\\Orvane\\Driver\\plugin\\Cardplug.INI\": ok",
      "step1 uninstall-inf \"oem3.inf\": ok, disk \"Orvane ZELKO-70 Card Printer\"",
      "step1 delete-file \"C:\\Windows\\system32\\kvtool.exe\": ok",
      "step1 delete-file \"C:\\Windows\\system32\\Scrubber.exe\": ok",
  };
  for (const char* body : removed) EXPECT_TRUE(Has(lines, body)) << body;
  int terminations = 0, files = 0;
  for (const auto& line : lines) {
    terminations +=
        Body(line).rfind("step1 terminate-process \"Tessaly.exe\": ok (process ", 0) == 0;
    files += Body(line).rfind("step1 delete-file ", 0) == 0;
  }
  EXPECT_EQ(terminations, 1);
  EXPECT_EQ(files, 1 + 5 + 2 + 2);  // monitor DLL, spool files, plug-in, utilities
  EXPECT_FALSE(Has(lines, "step1 delete-run-value \"Tessaly\": error 00000002"));

  // The pre-install and the queue Plug and Play made.
  EXPECT_TRUE(Has(lines,
                  "step2 run \"\"\"C:\\Setup\\Bin\\i386\\DIFxCmd\"\" /p \"\"C:\\Program Files\\"
                  "Orvane\\Driver\\ZELKO\\ZELKO.inf\"\"\": exit code 0"));
  EXPECT_TRUE(Has(lines, "step2 start \"C:\\Windows\\system32\\Tessaly.exe\": ok"));
  EXPECT_TRUE(Has(lines, "step3 queue-opened \"Orvane ZELKO-70 Card Printer\": ok"));
  EXPECT_TRUE(Has(lines, "step3 finished: Click Close"));
  for (const auto& line : lines) EXPECT_LE(line.size() + 2, kMaxLogLineBytes);
}

TEST(InstallLog, AFailureLogsTheStatusTextAndTheLogStillEnds) {
  Wizard w(0);
  Leftovers(w.win).AddEarlierInstallation();
  w.win.faults.fail("DeletePrinter", platform::kErrorAccessDenied, 2);
  ASSERT_TRUE(w.dialog.OnInitDialog());
  w.Click(IDC_NEXT);
  ASSERT_EQ(w.dialog.wizardState, WIZ_STEP1);
  const std::u16string status = w.host.text(IDC_STATUS);
  ASSERT_EQ(status, u"DeletePrinter() failed with error 00000005: Access is denied.");
  w.Click(IDC_CANCEL_BUTTON);
  ASSERT_TRUE(w.host.closed());
  w.dialog.handle_message({platform::kWmDestroy, 0, 0});

  const std::vector<std::string> lines = LogLines(w.win);
  const std::string failed = "failed: " + platform::to_utf8(status);
  EXPECT_EQ(Operations(lines), (std::vector<std::string>{"step1 RemovePrinters: " + failed,
                                                         "step1 RunCleanupStep: " + failed}));
  // The queue it stopped at is named.
  EXPECT_TRUE(
      Has(lines, "step1 delete-queue \"Desk\": ok, driver \"Orvane ZELKO-70 Card Printer\""));
  EXPECT_TRUE(Has(lines,
                  "step1 delete-queue \"Desk 40\": error 00000005 in DeletePrinter, driver "
                  "\"Orvane ZELKO-40 Card Printer\""));
  EXPECT_EQ(Body(lines.back()),
            "end Pelmora: closed on the Step 1 page, exit code 1603, process 3120");
}

TEST(InstallLog, AFullLogIsKeptAsTheOldOneAndARunStartsANewFile) {
  platform::sim::SimWindows win;
  const std::string full(kMaxLogFileBytes + 1, 'x');
  const std::pair<std::u16string, std::u16string> logs[] = {
      {kLogPath, u"C:\\Users\\Administrator\\AppData\\Local\\Temp\\Pelmora.old.log"},
      {u"C:\\Logs\\install.txt", u"C:\\Logs\\install.txt.old"}};
  for (const auto& [path, old] : logs) {
    SCOPED_TRACE(platform::to_utf8(path));
    win.shell.put_file(path, full);
    win.shell.put_file(old, "the run before the last");
    {
      InstallLog log(win.platform);
      if (path != kLogPath) log.SetPath(path);
      log.Write(u"start", u"Pelmora", u"ok");
      log.Write(u"end", u"Pelmora", u"ok");
    }
    EXPECT_EQ(win.shell.file_contents(old), full);
    const std::string started = win.shell.file_contents(path);
    EXPECT_EQ(std::count(started.begin(), started.end(), '\n'), 2);
    // A log just under the size is written on.
    const std::string below(kMaxLogFileBytes - 100, 'y');
    win.shell.put_file(path, below);
    InstallLog log(win.platform);
    if (path != kLogPath) log.SetPath(path);
    log.Write(u"start", u"Pelmora", u"ok");
    EXPECT_EQ(win.shell.file_contents(path).rfind(below, 0), 0u);
    EXPECT_EQ(win.shell.file_contents(old), full);
  }
}

TEST(InstallLog, ALogThatCannotBeWrittenChangesNothing) {
  // The calls of a run, without the log's own.
  auto calls = [](platform::sim::SimWindows& win) {
    std::vector<std::string> out;
    for (const auto& entry : win.faults.log())
      if (entry.find("Pelmora.log") == std::string::npos && entry != "GetTempPathW")
        out.push_back(entry);
    return out;
  };
  Wizard logged(0);
  Leftovers(logged.win).AddEarlierInstallation();
  const Screens expected = RunUsbInstallation(logged);
  ASSERT_EQ(expected.state, WIZ_INSTALLING);
  ASSERT_FALSE(LogLines(logged.win).empty());

  const struct {
    const char* name;
    void (*break_log)(platform::sim::SimWindows&);
  } kBrokenLogs[] = {
      {"no temporary folder",
       [](platform::sim::SimWindows& win) { win.shell.temp_folder = u"C:\\Missing\\Temp"; }},
      {"temporary folder unknown",
       [](platform::sim::SimWindows& win) {
         win.faults.fail("GetTempPathW", platform::kErrorAccessDenied, 1, true);
       }},
      {"file held open by another program",
       [](platform::sim::SimWindows& win) {
         win.shell.put_file(kLogPath, "earlier\r\n");
         win.shell.hold_open(kLogPath);
       }},
      {"disk full",
       [](platform::sim::SimWindows& win) {
         win.faults.fail("WriteFile", platform::kErrorDiskFull, 1, true);
       }},
  };
  for (const auto& broken : kBrokenLogs) {
    SCOPED_TRACE(broken.name);
    Wizard w(0);
    Leftovers(w.win).AddEarlierInstallation();
    broken.break_log(w.win);
    EXPECT_EQ(RunUsbInstallation(w), expected);
    EXPECT_EQ(calls(w.win), calls(logged.win));
    EXPECT_EQ(w.win.clock.now_ms(), logged.win.clock.now_ms());
    EXPECT_EQ(w.win.spooler.queues().size(), 1u);
    EXPECT_EQ(w.win.setup_api.oem_infs(), logged.win.setup_api.oem_infs());
    const std::string left = w.win.shell.file_contents(kLogPath);
    EXPECT_TRUE(left.empty() || left == "earlier\r\n") << left;
  }
}

}  // namespace
}  // namespace pelmora::testing
