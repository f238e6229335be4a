// Step 3 on a simulated Windows: the TCP/IP port handed to the port
// monitor, the INF search by source-disk description, the driver installer
// command line and the queue.
#include "operations/installation.h"

#include <gtest/gtest.h>

#include <cstring>

#include "install_scenario.h"
#include "operations/inf_list.h"
#include "operations/preparation.h"
#include "support/printui_stand_in.h"
#include "support/sim_step_context.h"

namespace pelmora::testing {
namespace {

std::string OemInf(std::u16string_view description) {
  return "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\n[SourceDisksNames]\r\n"
         "100 = \"" +
         platform::to_utf8(description) + "\",,,\r\n";
}

class NetworkInstallation : public ::testing::Test, public PreparedSteps {
 protected:
  NetworkInstallation() : PreparedSteps(MODEL_NONE) {
    test_support::InstallPrintUiStandIn(win);
    host.define(IDC_PORT_USB, {});
    platform::copy_truncated(context.networkAddress, u"10.0.0.31");
    context.networkPortNumber = 9100;
  }
  std::u16string DriverCommand() {
    for (const auto& started : win.processes.started())
      if (started.command_line.find(u"rundll32") != std::u16string::npos)
        return started.command_line;
    return {};
  }
};

TEST_F(NetworkInstallation, ThePortRecordIsTheMonitorsVersionOneLayout) {
  const platform::PortData1 record = MakeTcpIpPortRecord(u"10.0.0.31", 9100);
  std::uint8_t bytes[964];
  static_assert(sizeof record == sizeof bytes);
  std::memcpy(bytes, &record, sizeof bytes);
  auto dword_at = [&](std::size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset] | bytes[offset + 1] << 8 |
                                      bytes[offset + 2] << 16 | bytes[offset + 3] << 24);
  };
  auto text_at = [&](std::size_t offset) {
    std::u16string text;
    for (std::size_t i = offset; bytes[i] | bytes[i + 1]; i += 2)
      text.push_back(static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8));
    return text;
  };
  EXPECT_EQ(text_at(0), u"IP_10.0.0.31");
  EXPECT_EQ(dword_at(128), 1u);    // version
  EXPECT_EQ(dword_at(132), 1u);    // raw TCP
  EXPECT_EQ(dword_at(136), 964u);  // size
  EXPECT_EQ(text_at(144), u"10.0.0.31");
  EXPECT_EQ(text_at(242), u"kvpqzt");
  EXPECT_EQ(dword_at(308), 0u);
  EXPECT_EQ(text_at(312), u"");
  EXPECT_EQ(text_at(378), u"");
  EXPECT_EQ(dword_at(952), 9100u);
  EXPECT_EQ(dword_at(956), 0u);  // SNMP off
  EXPECT_EQ(dword_at(960), 1u);  // SNMP device index

  // What the monitor kept is the record that was handed to "AddPort".
  ASSERT_TRUE(AddTcpIpPort(context, u"10.0.0.31", 9100));
  const auto ports = win.spooler.tcp_ports();
  ASSERT_EQ(ports.size(), 1u);
  EXPECT_EQ(std::memcmp(&ports[0].record, bytes, sizeof bytes), 0);
}

TEST_F(NetworkInstallation, InstallingTwiceForOneAddressReplacesThePort) {
  ASSERT_TRUE(AddTcpIpPort(context, u"10.0.0.31", 9100));
  ASSERT_TRUE(AddTcpIpPort(context, u"10.0.0.31", 9101));
  const auto ports = win.spooler.tcp_ports();
  ASSERT_EQ(ports.size(), 1u);
  EXPECT_EQ(ports[0].record.dwPortNumber, 9101u);
  // With a queue on it the spooler keeps the port: the monitor answers that
  // it exists, the call still succeeds, and the queue keeps printing there.
  win.spooler.add_queue({u"Desk", u"IP_10.0.0.31", u"Some driver", 0, 0});
  EXPECT_TRUE(AddTcpIpPort(context, u"10.0.0.31", 9102));
  EXPECT_EQ(win.spooler.tcp_ports().at(0).record.dwPortNumber, 9101u);
  // The longest address still gives a name of at most 33 characters.
  EXPECT_EQ(TcpIpPortName(u"fedc:ba98:7654:3210:0123:4567:89ab:cdef").size(), 33u);
  // Without the port monitor (as under Wine) no port is made.
  win.spooler.tcp_monitor_installed = false;
  EXPECT_FALSE(AddTcpIpPort(context, u"10.0.0.32", 9100));
}

TEST_F(NetworkInstallation, ZelkoFortyIsFoundUnderItsPairsNameAndInstalledUnderItsOwn) {
  context.modelIndex = 6;
  win.shell.put_file(u"C:\\Windows\\INF\\oem4.inf", OemInf(ModelCatalogue[0].modelName));
  InstallNetworkPrinter(context);
  EXPECT_EQ(DriverCommand(),
            u"\"C:\\Windows\\system32\\rundll32.exe\" printui.dll,PrintUIEntry /ia /q /m \"Orvane "
            u"ZELKO-40 Card Printer\" /h \"x86\" /f \"C:\\Windows\\Inf\\oem4.inf\"");
  const auto queues = win.spooler.queues();
  ASSERT_EQ(queues.size(), 1u);
  EXPECT_EQ(queues[0].printer_name, u"Orvane ZELKO-40 Card Printer");
  EXPECT_EQ(queues[0].driver_name, u"Orvane ZELKO-40 Card Printer");
  EXPECT_EQ(queues[0].port_name, u"IP_10.0.0.31");
  EXPECT_EQ(queues[0].print_processor, u"WinPrint");
  EXPECT_EQ(queues[0].data_type, u"RAW");
  // printui tells of a failure in no box of its own: the same command for
  // an INF that is gone shows nothing.
  ASSERT_TRUE(win.shell.remove_file(u"C:\\Windows\\INF\\oem4.inf"));
  platform::ScopedProcess again(win.processes);
  ASSERT_EQ(win.processes.create_process(DriverCommand(), 0, again.receive()),
            platform::kErrorSuccess);
  EXPECT_TRUE(win.desktop.shown_ui().empty());
}

TEST_F(NetworkInstallation, WithoutAModelRowZeroIsInstalledFromThePreinstalledPackage) {
  context.modelIndex = MODEL_NONE;
  ASSERT_TRUE(PreinstallDriverPackage(context));
  ASSERT_TRUE(StartPreinstallWorker(context));
  ASSERT_EQ(win.setup_api.oem_infs().size(), 1u);
  InstallNetworkPrinter(context);
  EXPECT_EQ(DriverCommand(),
            u"\"C:\\Windows\\system32\\rundll32.exe\" printui.dll,PrintUIEntry /ia /q /m \"Orvane "
            u"ZELKO-70 Card Printer\" /h \"x86\" /f \"C:\\Windows\\Inf\\" +
                win.setup_api.oem_infs()[0] + u"\"");
  EXPECT_TRUE(win.spooler.has_queue(u"Orvane ZELKO-70 Card Printer"));
  EXPECT_TRUE(win.desktop.message_boxes().empty());
  EXPECT_TRUE(host.message_boxes().empty());
}

TEST_F(NetworkInstallation, TheFirstOfTwoInfsOfOneDescriptionWinsAndCaseMatters) {
  win.shell.put_file(u"C:\\Windows\\INF\\oem2.inf", OemInf(u"orvane zelko-70 card printer"));
  win.shell.put_file(u"C:\\Windows\\INF\\oem5.inf", OemInf(ModelCatalogue[0].modelName));
  win.shell.put_file(u"C:\\Windows\\INF\\oem7.inf", OemInf(ModelCatalogue[0].modelName));
  char16_t path[kInfPathChars];
  context.modelIndex = 0;
  ASSERT_TRUE(FindModelInf(context, path, kInfPathChars, ModelCatalogue[0].modelName));
  EXPECT_EQ(platform::view_of(path), u"C:\\Windows\\Inf\\oem5.inf");
  // A list whose last name ends with its own zero but without the list's
  // closing one still gives every name.
  std::vector<std::u16string> seen;
  ForEachInfDescription(win.setup_api, std::u16string_view(u"oem2.inf\0oem7.inf\0", 18),
                        [&](const std::u16string& name, const std::u16string& description) {
                          seen.push_back(name + u"=" + description);
                          return false;
                        });
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].rfind(u"oem7.inf=", 0), 0u);
  // A name no INF carries, and a too small output that stays terminated.
  EXPECT_FALSE(FindModelInf(context, path, kInfPathChars, u"Unknown Printer"));
  EXPECT_EQ(path[0], 0);
  char16_t small[8];
  ASSERT_TRUE(FindModelInf(context, small, 8, ModelCatalogue[0].modelName));
  EXPECT_EQ(platform::view_of(small), u"C:\\Wind");
}

TEST_F(NetworkInstallation, NoInfOfTheModelShowsTheFailureAndMakesNoQueue) {
  context.modelIndex = 3;
  EXPECT_FALSE(InstallNetworkPrinter(context));
  ASSERT_EQ(host.message_boxes().size(), 1u);
  EXPECT_EQ(host.message_boxes()[0].text, u"Fail to install driver !!!");
  EXPECT_EQ(host.message_boxes()[0].caption, u"ERROR");
  EXPECT_EQ(host.text(IDC_STATUS), u"Fail to install driver !!!");
  EXPECT_EQ(host.message_boxes()[0].flags, platform::kMbOk);
  EXPECT_TRUE(win.spooler.queues().empty());
  EXPECT_EQ(DriverCommand(), u"");
  // The port was made all the same.
  EXPECT_TRUE(win.spooler.has_port(u"IP_10.0.0.31"));
}

TEST(InfPathRewrite, APathInTheAdministratorsProfileMovesToTheInfFolder) {
  EXPECT_EQ(RewriteProfileInfPath(u"C:\\Users\\Administrator\\Windows\\Inf\\oem12.inf"),
            u"C:\\windows\\inf\\oem12.inf");
  EXPECT_EQ(RewriteProfileInfPath(u"c:\\USERS\\administrator\\WINDOWS\\inf\\OEM3.INF"),
            u"C:\\windows\\inf\\OEM3.INF");
  // The last "\oem" wins.
  EXPECT_EQ(RewriteProfileInfPath(u"C:\\Users\\Administrator\\Windows\\oemdata\\Inf\\oem4.inf"),
            u"C:\\windows\\inf\\oem4.inf");
  // Outside the profile, or with no OEM name to keep, the path stays as the
  // system gave it.
  for (const char16_t* kept :
       {u"C:\\Windows\\Inf\\oem12.inf", u"D:\\Users\\Administrator\\Windows\\Inf\\oem1.inf",
        u"C:\\Users\\Administrator\\Windows\\Inf\\printer.inf"})
    EXPECT_EQ(RewriteProfileInfPath(kept), kept);
}

TEST_F(NetworkInstallation, AFailureNamesTheFirstCallThatFailedAndTheQueueIsStillTried) {
  context.modelIndex = 0;
  win.shell.put_file(u"C:\\Windows\\INF\\oem4.inf", OemInf(ModelCatalogue[0].modelName));
  // The port is made, the driver is not: the queue's call is named.
  const auto installs_driver = [this](std::u16string_view) {
    win.spooler.add_driver(ModelCatalogue[0].modelName, u"Windows NT x86");
    return 0u;
  };
  win.processes.install_program(u"rundll32", [](std::u16string_view) { return 0u; });
  EXPECT_FALSE(InstallNetworkPrinter(context));
  EXPECT_EQ(host.text(IDC_STATUS),
            u"AddPrinter() failed with error 00000705: The printer driver is unknown.");

  // No port monitor, as under Wine: the driver is still installed, and the
  // queue then finds no port.
  win.processes.install_program(u"rundll32", installs_driver);
  win.spooler.tcp_monitor_installed = false;
  const int queues_tried = win.faults.calls("AddPrinterW");
  EXPECT_FALSE(InstallNetworkPrinter(context));
  EXPECT_EQ(host.text(IDC_STATUS),
            u"OpenPrinter() failed with error 00000704: The specified port is unknown.");
  EXPECT_EQ(win.faults.calls("AddPrinterW"), queues_tried + 1);
  EXPECT_FALSE(win.spooler.has_queue(ModelCatalogue[0].modelName));

  win.spooler.tcp_monitor_installed = true;
  win.faults.fail("XcvDataW", platform::kErrorAccessDenied);
  EXPECT_FALSE(InstallNetworkPrinter(context));
  EXPECT_EQ(host.text(IDC_STATUS), u"XcvData() failed with error 00000005: Access is denied.");
  EXPECT_TRUE(host.message_boxes().empty());

  EXPECT_TRUE(InstallNetworkPrinter(context));
  EXPECT_TRUE(win.spooler.has_queue(ModelCatalogue[0].modelName));
}

TEST_F(NetworkInstallation, TheInfIsFoundInTheSystemWindowsFolderOnARemoteDesktopHost) {
  win.shell.per_user_windows_folder = u"C:\\Users\\Pat\\WINDOWS";
  win.shell.put_file(u"C:\\Windows\\INF\\oem4.inf", OemInf(ModelCatalogue[0].modelName));
  char16_t path[kInfPathChars];
  context.modelIndex = 0;
  for (const bool wine : {false, true}) {
    win.setup_api.lists_nothing_without_folder = wine;
    ASSERT_TRUE(FindModelInf(context, path, kInfPathChars, ModelCatalogue[0].modelName)) << wine;
    EXPECT_EQ(platform::view_of(path), u"C:\\Windows\\Inf\\oem4.inf");
  }
}

TEST(UsbInstallation, OnUsbStep3CreatesNoPortAndInstallsNothing) {
  Wizard w(MODEL_NONE);
  w.dialog.modelIndex = 0;
  w.dialog.ShowStep3Page();
  w.win.faults.clear_log();
  w.dialog.OnNext();
  EXPECT_EQ(w.win.faults.calls("XcvDataW") + w.win.faults.calls("AddPrinterW") +
                w.win.faults.calls("CreateProcessW") + w.win.faults.calls("DeletePortW"),
            0);
  EXPECT_TRUE(w.host.timer_running(TIMER_QUEUE_POLL));
  EXPECT_EQ(w.dialog.tickCounter, 0u);
}

}  // namespace
}  // namespace pelmora::testing
