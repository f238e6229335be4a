// The installer's runs on every desk: every model over USB unattended
// (plugged in during the wait, after a /wait 0 run, never), the network
// queue by the wizard's path and the unattended one followed by /remove, and
// /remove over an earlier installation.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "operations/certificate.h"
#include "operations/cleanup.h"
#include "quiet_run.h"

namespace pelmora::testing {
namespace {

class QuietUsb : public ::testing::TestWithParam<std::tuple<Desk, int>> {};

TEST_P(QuietUsb, PluggedDuringTheWaitAfterAStagingRunAndNever) {
  const Desk& desk = std::get<0>(GetParam());
  const int model = std::get<1>(GetParam());
  const int row = EffectiveModelIndex(model);
  const std::u16string name = ModelCatalogue[row].modelName;
  const std::u16string setting = platform::format(u"/quiet /usb /model %d", {model});
  if (model == MODEL_NONE) {
    // Every model's driver on one printer: refused before anything is done.
    Quiet q(setting, desk);
    EXPECT_EQ(q.Run(), kExitBadCommandLine);
    EXPECT_EQ(q.win.faults.calls("EnumPrintersW"), 0);
    EXPECT_EQ(MarkedExitCode(q.win), -1);
    q.ExpectNothingShown();
    return;
  }
  {
    Quiet q(setting + u" /wait 60", desk);
    q.PlugAtScan(row, 3);
    const std::uint64_t start = q.win.clock.now_ms();
    EXPECT_EQ(q.Run(), kExitSuccess) << q.Last();
    EXPECT_TRUE(q.win.spooler.has_queue(name));
    EXPECT_EQ(q.Last(), "end exit code 0: installation complete" + kOwnProcess);
    // Stale devices of the printer's own product id are among those removed.
    EXPECT_TRUE(q.Logged(std::string("step3 RemoveStaleUsbDevices \"") +
                         UsbHardwareIdPrefix(model) + "\": ok"));
    // The wizard's own lines, in its order: the simulated worker thread runs
    // to its end before the step returns.
    const std::vector<std::string> steps = {
        "step1 RunCleanupStep: ok", "step2 PreinstallWorker: ok", "step2 RunPreparationStep: ok",
        "step3 StartInstall \"USB\": ok", "end Pelmora: installation complete, process 3120"};
    std::vector<std::string> logged;
    for (const auto& line : q.Lines())
      if (std::ranges::find(steps, line) != steps.end()) logged.push_back(line);
    EXPECT_EQ(logged, steps);
    // In virtual time, the same for every model: Step 1's and Step 2's fixed
    // waits, the spooler's stops and starts as long as they take (not the
    // wizard's 2 s each), and the scans until the third finds the printer.
    EXPECT_EQ(q.win.clock.now_ms() - start, 12700u);
    EXPECT_EQ(MarkedExitCode(q.win), kExitSuccess);
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
    EXPECT_EQ(q.Run(), kExitStaged);
    EXPECT_FALSE(q.win.spooler.has_queue(name));
    EXPECT_EQ(MarkedExitCode(q.win), kExitStaged);
    EXPECT_EQ(
        q.Last(),
        "end exit code 3012: driver package staged: Plug and Play installs the printer when it "
        "is plugged in" +
            kOwnProcess);
    PlugPrinter(q.win, row);
    q.win.devices.reenumerate(0, 0);
    EXPECT_TRUE(q.win.spooler.has_queue(name));
    q.ExpectNothingShown();
  }
  {
    // /wait 0 with the printer plugged in all along: Plug and Play installs
    // it at the one scan.
    Quiet q(setting + u" /wait 0", desk);
    PlugPrinter(q.win, row);
    EXPECT_EQ(q.Run(), kExitSuccess) << q.Last();
    EXPECT_TRUE(q.win.spooler.has_queue(name));
    EXPECT_EQ(MarkedExitCode(q.win), kExitSuccess);
  }
  {
    // Plugged in at the last scan of the wait: the queue it made counts.
    Quiet q(setting + u" /wait 5", desk);
    q.PlugAtScan(row, 5);
    EXPECT_EQ(q.Run(), kExitSuccess) << q.Last();
  }
  {
    Quiet q(setting + u" /wait 5", desk);
    const std::uint64_t start = q.win.clock.now_ms();
    EXPECT_EQ(q.Run(), kExitQueueTimeout);
    EXPECT_EQ(q.Last(), "end exit code 1460: no print queue within 5 s" + kOwnProcess);
    // In virtual time: the same steps, then the wait runs out.
    EXPECT_EQ(q.win.clock.now_ms() - start, 13700u);
    EXPECT_EQ(MarkedExitCode(q.win), -1);
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
    const std::u16string printui = platform::format(
        u"\"C:\\Windows\\system32\\rundll32.exe\" printui.dll,PrintUIEntry /ia /q /m \"%s\" /h "
        u"\"%s\" /f \"C:\\Windows\\Inf\\oem",
        {name, desk.windows64 ? u"x64" : u"x86"});
    if (std::ranges::none_of(win.processes.started(), [&](const auto& started) {
          return started.command_line.starts_with(printui);
        }))
      missing.push_back("printui command");
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
    if (MarkedExitCode(q.win) >= 0) left.push_back("success marker");
    return left;
  }
};

TEST_P(OnEveryDesk, TheWizardsNetworkQueue) {
  const Desk& desk = GetParam();
  Wizard w(6, desk);
  test_support::InstallPrintUiStandIn(w.win);
  w.steps.chooseNetworkPrinter = [](StepContext&, std::u16string_view, std::uint32_t,
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
  // Closed on success: its last act marks it, in the programs' view.
  EXPECT_EQ(MarkedExitCode(w.win), -1);
  w.dialog.OnDestroy();
  EXPECT_EQ(MarkedExitCode(w.win), kExitSuccess);
}

TEST_P(OnEveryDesk, TheUnattendedNetworkQueueThenRemoval) {
  const Desk& desk = GetParam();
  Quiet q(u"/quiet /network 192.168.7.20 /model 6", desk);
  q.Finds({u"192.168.7.20", 9100, -1, 0x3870});
  ASSERT_EQ(q.Run(), kExitSuccess) << q.Last();
  EXPECT_EQ(Missing(q.win, desk), std::vector<std::string>{});
  EXPECT_EQ(MarkedExitCode(q.win), kExitSuccess);
  q.win.system.arguments = u"/quiet /remove";
  EXPECT_EQ(q.Run(), kExitSuccess) << q.Last();
  EXPECT_TRUE(
      q.Logged("start settings \"Pelmora.ini\": not found in the current folder; every "
               "model's installation is removed"));
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
  EXPECT_TRUE(std::ranges::any_of(lines, [](const std::string& line) {
    return line.starts_with("start Pelmora ") &&
           line.find(", model 16 (all models), ") != std::string::npos;
  }));
  // The maker's certificate leaves both stores Step 2 put it into, named by
  // the serial number of the media's own file.
  std::u16string serial;
  ASSERT_TRUE(
      CertificateSerialNumber(q.win.shell.file_contents(u"C:\\Setup\\Bin\\tvcert1.cer"), &serial));
  std::vector<std::u16string> removed;
  for (const auto& started : q.win.processes.started())
    if (started.command_line.find(u" -delstore ") != std::u16string::npos) {
      EXPECT_EQ(started.directory, u"C:\\Windows\\system32");
      removed.push_back(started.command_line);
    }
  EXPECT_EQ(removed,
            (std::vector<std::u16string>{
                u"\"C:\\Windows\\system32\\certutil.exe\"  -delstore trustedpublisher " + serial,
                u"\"C:\\Windows\\system32\\certutil.exe\"  -delstore root " + serial}));
  q.ExpectNothingShown();
}

}  // namespace
}  // namespace pelmora::testing
