// The whole wizard on a simulated Windows with the build's media: Step 1 to
// "Click Close" over USB for every model setting on every desk, the printer
// plugged in after Next on Step 3; and every call of Steps 2 and 3 failed in
// turn.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "install_scenario.h"
#include "localized_text.h"
#include "operations/installation.h"
#include "operations/preparation.h"
#include "platform_sim/inf_reader.h"
#include "platform_sim/sim_dialog_host.h"
#include "support/printui_stand_in.h"
#include "support/sim_step_context.h"

namespace pelmora::testing {
namespace {

// Per model setting: the queue Plug and Play makes and the installed
// package's folder and INF under Program Files. Rows 7 and 9 name a blank
// manufacturer and the family PRN, which Windows cannot hold as names.
struct Installed {
  int model;
  const char16_t* queue;
  const char16_t* maker;
  const char16_t* package;
};
class FullUsbInstallation : public ::testing::TestWithParam<std::tuple<Desk, Installed>> {};

TEST_P(FullUsbInstallation, FromStep1ToClickClose) {
  const Desk& desk = std::get<0>(GetParam());
  const Installed& installed = std::get<1>(GetParam());
  const int model = installed.model;
  const int row = EffectiveModelIndex(model);
  Wizard w(model, desk);
  ASSERT_TRUE(w.dialog.OnInitDialog());
  ASSERT_EQ(w.dialog.modelIndex, model);

  w.Click(IDC_NEXT);  // Step 1: nothing to remove on a fresh system
  ASSERT_EQ(w.dialog.wizardState, WIZ_STEP2) << platform::to_utf8(w.host.text(IDC_STATUS));

  const std::uint64_t step2_start = w.win.clock.now_ms();
  w.Click(IDC_NEXT);
  ASSERT_EQ(w.dialog.wizardState, WIZ_PACKAGE_WAIT) << platform::to_utf8(w.host.text(IDC_STATUS));
  EXPECT_EQ(w.host.text(IDC_STATUS), w.dialog.Text(kTextPreinstallingDriverPackage));
  w.Run(1000);
  ASSERT_EQ(w.dialog.wizardState, WIZ_STEP3);
  // The step's own waits (500 + 500 + 1000 before the worker, 500 + 200 in
  // it), one tick of the package wait and its 2 s pause.
  EXPECT_EQ(w.win.clock.now_ms() - step2_start, 2700u + 1000u + 2000u);

  // What Step 2 left.
  const std::u16string maker =
      std::u16string(desk.windows64 ? u"C:\\Program Files (x86)\\" : u"C:\\Program Files\\") +
      installed.maker;
  const std::u16string inf =
      platform::format(u"%s\\Driver\\%s\\%s.inf", {maker, installed.package, installed.package});
  EXPECT_TRUE(w.win.shell.has_file(inf));
  EXPECT_TRUE(w.win.shell.has_file(maker + u"\\Driver\\plugin\\Cardplug.INI"));
  // The Run value in the registry's view of the 32-bit programs.
  EXPECT_EQ(RunValue(w.win), kMonitorRunCommand);
  const std::u16string difx =
      platform::format(u"\"%s\\Bin\\%s\\DIFxCmd\" /p \"%s\"",
                       {desk.folder, desk.windows64 ? u"amd64" : u"i386", inf});
  bool difx_ran = false;
  for (const auto& started : w.win.processes.started())
    if (started.command_line == difx)
      difx_ran = started.creation_flags ==
                 (platform::kCreateNoWindow | platform::kCreatePreserveCodeAuthzLevel);
  EXPECT_TRUE(difx_ran);
  // Step 1 ran the tool with /u for what it removes; /p ran once.
  int preinstalls = 0;
  for (const auto& output : w.runs.outputs)
    preinstalls += output.find(u"is in the driver store as") != std::u16string::npos;
  EXPECT_EQ(preinstalls, 1);
  ASSERT_EQ(w.win.setup_api.oem_infs().size(), 1u);

  // Step 3 over USB: nothing appears until the printer is plugged in.
  const std::uint64_t step3_start = w.win.clock.now_ms();
  w.Click(IDC_NEXT);
  ASSERT_EQ(w.dialog.wizardState, WIZ_INSTALLING);
  w.Run(3000);
  EXPECT_NE(w.host.text(IDC_STATUS), kClickCloseText);
  EXPECT_EQ(w.win.devices.reenumerations, 3);
  PlugPrinter(w.win, row);
  w.Run(2000);
  EXPECT_EQ(w.host.text(IDC_STATUS), kClickCloseText);
  EXPECT_TRUE(w.host.is_enabled(IDC_NEXT));
  EXPECT_FALSE(w.host.is_enabled(IDC_CANCEL_BUTTON));
  EXPECT_EQ(w.win.clock.now_ms() - step3_start, 5000u);
  // The queue that Plug and Play made is the model's own, from the
  // package's OEM INF, on the printer's USB port.
  const auto queues = w.win.spooler.queues();
  ASSERT_EQ(queues.size(), 1u);
  EXPECT_EQ(queues[0].printer_name, installed.queue);
  EXPECT_EQ(queues[0].driver_name, installed.queue);
  EXPECT_EQ(queues[0].port_name, u"USB001");
  EXPECT_EQ(w.win.plug_and_play.plugged()[0].inf, w.win.setup_api.oem_infs()[0]);
  EXPECT_TRUE(w.win.spooler.has_driver_in(
      installed.queue, desk.windows64 ? platform::kEnvironmentX64 : platform::kEnvironmentX86));
  EXPECT_EQ(PlantedProgramsRun(w.win, desk.folder), std::vector<std::u16string>{});
  w.Click(IDC_NEXT);
  EXPECT_TRUE(w.host.closed());
}

INSTANTIATE_TEST_SUITE_P(
    EveryDeskAndModelSetting, FullUsbInstallation,
    ::testing::Combine(
        ::testing::ValuesIn(kDesks),
        ::testing::Values(Installed{0, u"Orvane ZELKO-70 Card Printer", u"Orvane", u"ZELKO"},
                          Installed{1, u"K2100-K2200 Card Printer", u"Feronde", u"K2100-K2200"},
                          Installed{2, u"Tavrin TX250 Printer", u"Glimmora", u"Tavrin"},
                          Installed{3, u"Lumetra DX450", u"Lumetra", u"DX450"},
                          Installed{4, u"KORVEN Card Printer", u"QZD", u"KORVEN"},
                          Installed{5, u"Orlent ZELKO Card Printer", u"Orvane", u"ZELKO"},
                          Installed{6, u"Orvane ZELKO-40 Card Printer", u"Orvane", u"ZELKO"},
                          Installed{7, u"Card Printer", u"Generic", u"CardPRN"},
                          Installed{8, u"Tavrin TX230 Printer", u"Glimmora", u"Tavrin"},
                          Installed{9, u"Card Printer", u"Generic", u"CardPRN"},
                          Installed{10, u"KORVEN-40 Card Printer", u"QZD", u"KORVEN"},
                          Installed{11, u"TMX410D", u"Brisca", u"TMX410D"},
                          Installed{12, u"VANTO-70 Card Printer", u"Orvane", u"ZELKO"},
                          Installed{13, u"Orvane MARLO-800 Card Printer", u"Orvane", u"MARLO"},
                          Installed{14, u"Orvane MARLO-600 Card Printer", u"Orvane", u"MARLO"},
                          Installed{15, u"QEL-KLX-2D", u"QEL", u"QEL"},
                          Installed{MODEL_NONE, u"Orvane ZELKO-70 Card Printer", u"Orvane",
                                    u"ZELKO"})),
    [](const ::testing::TestParamInfo<std::tuple<Desk, Installed>>& info) {
      return std::string(std::get<0>(info.param).name) + "Model" +
             std::to_string(std::get<1>(info.param).model);
    });

TEST(FullInstallation, PrintersSharingAProductIdInstallUnderTheirOwnNames) {
  // Rows 0, 5, 12 and 15 are all product 0x3850; the device id tells them
  // apart. With every row's package in the store, each gets its own queue.
  Wizard w(MODEL_NONE);
  std::set<std::u16string> families;
  for (int row = 0; row < kModelCount; ++row) {
    if (!families.insert(FamilyFileName(row)).second) continue;
    std::u16string stored;
    ASSERT_EQ(
        w.win.setup_api.copy_oem_inf(
            platform::format(u"C:\\Setup\\%s\\%s.inf", {FamilyFileName(row), FamilyFileName(row)}),
            &stored),
        0u);
  }
  for (int row : {0, 5, 12, 15}) PlugPrinter(w.win, row);
  // A printer of the same product whose device id names a model no package
  // lists, though alike in its first 20 characters (only the checksum
  // differs), gets no queue.
  const platform::UsbPrintModel unknown{"Orvane", "Orvane ZELKO-70 Card Printer II",
                                        "USBPRINT\\OrvaneOrvane_ZELKO-7C483",
                                        "OrvaneOrvane_ZELKO-7C483"};
  w.win.plug_and_play.plug_printer(0x3850, unknown, u"ZK999999");
  // Found before the packages? Only a retry installs. Here they are there.
  EXPECT_EQ(w.win.devices.reenumerate(0, platform::kCmReenumerateRetryInstallation), 0u);
  std::set<std::u16string> names;
  for (const auto& q : w.win.spooler.queues()) names.insert(q.printer_name);
  EXPECT_EQ(names,
            (std::set<std::u16string>{ModelCatalogue[0].modelName, ModelCatalogue[5].modelName,
                                      ModelCatalogue[12].modelName, ModelCatalogue[15].modelName}));
  EXPECT_EQ(w.win.spooler.queues().size(), 4u);
  EXPECT_FALSE(w.win.plug_and_play.plugged()[4].installed);
  // Each printer's USBPRINT node carries its id with and without the prefix.
  const std::vector<std::string> ids{UsbPrintIds(5).hardware_id, UsbPrintIds(5).device_id};
  const auto nodes = w.win.devices.nodes();
  EXPECT_EQ(1, std::count_if(nodes.begin(), nodes.end(),
                             [&](const auto& node) { return node.hardware_ids == ids; }));
}

TEST(FullInstallation, EachPackageListsItsPrintersByBothHardwareIds) {
  // The media's model lines and the simulated Plug and Play take the ids
  // from one table: each catalogue row's line lists the two ids its
  // printer's node gets, the prefixed one first.
  Wizard w(MODEL_NONE);
  for (int row = 0; row < kModelCount; ++row) {
    const platform::UsbPrintModel& ids = UsbPrintIds(row);
    const platform::sim::InfFile inf = platform::sim::InfFile::parse(w.win.shell.file_contents(
        platform::format(u"C:\\Setup\\%s\\%s.inf", {FamilyFileName(row), FamilyFileName(row)})));
    for (const char16_t* section : {u"Models.NTx86", u"Models.NTamd64"}) {
      const platform::sim::InfLine* line = inf.find(section, ModelCatalogue[row].modelName);
      ASSERT_NE(line, nullptr) << row;
      ASSERT_EQ(line->fields.size(), 3u) << row;
      EXPECT_EQ(line->fields[1], platform::to_utf16(ids.hardware_id)) << row;
      EXPECT_EQ(line->fields[2], platform::to_utf16(ids.device_id)) << row;
    }
  }
}

TEST(FullInstallation, TheCatalogueNamesOfRows7And9AreNoFoldersOnWindows) {
  // What Step 2 made of a blank manufacturer and the family PRN: the
  // manufacturer folder is Program Files itself, the driver folder under it
  // cannot be made (error 3), and no package folder PRN can be read.
  Wizard w(7);
  EXPECT_EQ(w.win.shell.create_directory(u"C:\\Program Files\\ "), platform::kErrorAlreadyExists);
  EXPECT_EQ(w.win.shell.create_directory(u"C:\\Program Files\\ \\Driver"),
            platform::kErrorPathNotFound);
  EXPECT_FALSE(w.win.shell.put_file(u"C:\\Setup\\PRN\\PRN.inf", "package"));
  EXPECT_NE(0, w.win.shell.file_operation(platform::kFoCopy, u"C:\\Setup\\PRN",
                                          u"C:\\Program Files", platform::kFofSilent));
  // The names the installer uses instead hold the media's package.
  EXPECT_TRUE(w.win.shell.has_file(u"C:\\Setup\\CardPRN\\CardPRN.inf"));
}

TEST(FullInstallation, APrinterFoundBeforeItsPackageInstallsOnlyOnARetry) {
  Wizard w(0);
  PlugPrinter(w.win, 0);
  w.win.devices.reenumerate(0, 0);
  EXPECT_TRUE(w.win.spooler.queues().empty());
  std::u16string stored;
  ASSERT_EQ(w.win.setup_api.copy_oem_inf(u"C:\\Setup\\ZELKO\\ZELKO.inf", &stored), 0u);
  w.win.devices.reenumerate(0, 0);
  EXPECT_TRUE(w.win.spooler.queues().empty());
  w.win.devices.reenumerate(0, platform::kCmReenumerateRetryInstallation);
  EXPECT_EQ(w.win.spooler.queues().size(), 1u);
}

// Step 2 and the network half of Step 3, every call failed in turn.
inline constexpr char16_t kHeldPlugIn[] =
    u"C:\\Program Files\\Orvane\\Driver\\plugin\\Cardplug.dll";

struct FaultRun : PreparedSteps {
  FaultRun() : PreparedSteps(0) {
    // Class files that must be restored from their copies.
    win.shell.put_file(u"C:\\Windows\\system32\\inf\\usbprint.in", "usbprint inf");
    win.shell.put_file(u"C:\\Windows\\system32\\inf\\usbprint.sy", "usbprint sys");
    win.shell.put_directory(u"C:\\Windows\\system32\\drivers");
    test_support::InstallPrintUiStandIn(win);
    win.spooler.set_forms({{platform::kFormUser, u"ID card", 54000, 86000, 0, 0, 54000, 86000}});
    // A program that printed holds the plug-in: the new one waits for the
    // restart.
    win.shell.put_file(kHeldPlugIn, "plug-in");
    win.processes.add_running_program(u"C:\\Windows\\system32\\Badges.exe", {kHeldPlugIn});
    platform::copy_truncated(context.networkAddress, u"192.168.7.20");
    context.networkPortNumber = 9100;
  }
  bool Run() {
    host.enable(IDC_CANCEL_BUTTON, false);
    // Step 3 follows only a successful Step 2.
    const bool prepared = RunPreparationStep(context);
    if (prepared) InstallNetworkPrinter(context);
    return prepared;
  }
  // What is missing of a complete Steps 2 and 3, by name.
  std::vector<std::string> Missing() {
    std::vector<std::string> missing;
    if (!win.spooler.has_queue(ModelCatalogue[0].modelName)) missing.push_back("queue");
    if (!win.spooler.has_port(u"IP_192.168.7.20")) missing.push_back("port");
    if (win.setup_api.oem_infs().size() != 1) missing.push_back("one OEM INF");
    if (!win.shell.has_file(u"C:\\Windows\\system32\\drivers\\usbprint.sys"))
      missing.push_back("usbprint.sys");
    if (!win.shell.has_file(u"C:\\Windows\\system32\\inf\\usbprint.inf"))
      missing.push_back("usbprint.inf");
    if (RunValue(win) != kMonitorRunCommand) missing.push_back("Run value");
    // A rerun meets the CR80 form at its exact size and re-creates it, so
    // only the set of forms is the same each time.
    std::multiset<std::u16string> forms;
    for (const auto& form : win.spooler.forms()) forms.insert(form.name);
    if (forms != std::multiset<std::u16string>{kCr80FormName, u"ID card"})
      missing.push_back("forms");
    if (!host.is_enabled(IDC_CANCEL_BUTTON)) missing.push_back("worker signal");
    return missing;
  }
};

TEST(InstallationFaults, EveryCallFailedInTurn) {
  std::vector<std::string> calls;
  {
    FaultRun run;
    // The forms list holds only the card form, so both form walks count.
    run.win.faults.clear_log();
    ASSERT_TRUE(run.Run());
    ASSERT_EQ(run.Missing(), std::vector<std::string>{});
    EXPECT_TRUE(run.context.restartNeeded);
    EXPECT_EQ(run.win.shell.file_contents(kHeldPlugIn), "plug-in");
    calls = run.win.faults.log();
  }
  ASSERT_GT(calls.size(), 40u);
  EXPECT_TRUE(std::any_of(calls.begin(), calls.end(),
                          [](const std::string& call) { return call.starts_with("MoveFileExW"); }));
  const std::set<std::u16string> step_texts = {u"    Can't copy usbprint.inf",
                                               u"Can't copy usbprint.sys",
                                               u"Can't access spool",
                                               u"Can't create directory. error : 5",
                                               u"Can't create directory... error : 5",
                                               u"Can't copy driver files"};
  const std::map<std::string, std::u16string> first_call_texts = {
      {"CopyFileW", u"    Can't copy usbprint.inf"},
      {"OpenPrinterW", u"Can't access spool"},
      {"CreateDirectoryW", u"Can't create directory. error : 5"},
      {"SHFileOperationW", u"Can't copy driver files"},
  };
  std::map<std::string, int> seen;
  for (const auto& entry : calls) {
    const std::string operation = entry.substr(0, entry.find(' '));
    const int nth = ++seen[operation];
    SCOPED_TRACE(entry + " #" + std::to_string(nth));
    FaultRun run;
    run.win.faults.fail(operation, platform::kErrorAccessDenied, nth);
    const bool prepared = run.Run();
    const std::u16string status = run.host.text(IDC_STATUS);
    if (!prepared) {
      EXPECT_TRUE(step_texts.count(status)) << platform::to_utf8(status);
      if (nth == 1 && first_call_texts.count(operation)) {
        EXPECT_EQ(status, first_call_texts.at(operation));
      }
    } else {
      const auto boxes = run.win.desktop.message_boxes();
      if (run.host.is_enabled(IDC_CANCEL_BUTTON)) {
        EXPECT_TRUE(boxes.empty());
      } else if (operation != "CreateThread") {
        // The worker's failure: the command line, the code, the end.
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[0].text, platform::view_of(g_preinstallCommand));
        EXPECT_EQ(boxes[1].text.rfind(u"Error : ", 0), 0u);
        EXPECT_EQ(run.win.processes.own_exit_code(), kExitPreinstallFailed);
      }
    }
    // The worker's handle is the installer's until it ends; nothing else
    // stays open.
    run.context.workerThread.reset();
    EXPECT_EQ(test_support::OpenHandles(run.win), 0u);
    run.win.faults.clear();
    EXPECT_TRUE(run.Run()) << platform::to_utf8(run.host.text(IDC_STATUS));
    // A card form moved behind the CR80 form is deleted before it is added
    // again; when that add fails, the form is gone and no rerun brings it
    // back.
    EXPECT_EQ(run.Missing(), entry == "AddFormW ID card" ? std::vector<std::string>{"forms"}
                                                         : std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace pelmora::testing
