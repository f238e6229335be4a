// The wizard over the network on a simulated Windows with the build's media,
// the selection dialog talking to the simulated printers of scenario.conf:
// Steps 1 and 2, the TCP/IP port chosen in Step 3, the printer picked from
// the list, then the port, the driver and the queue, and "Click Close" 15
// seconds later.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "install_scenario.h"
#include "operations/installer_steps.h"
#include "pelmora_dlg.h"
#include "platform_sim/sim_dialog_host.h"
#include "platform_sim/sim_tray_window.h"
#include "printer_access/select_dialog.h"
#include "sim_environment.h"
#include "support/printui_stand_in.h"
#include "unattended.h"
#include "wizard_fixture.h"

namespace pelmora::testing {
namespace {

using printer_access_test::SimEnvironment;

constexpr int kLan = 1;

struct NetworkWizard : Wizard {
  NetworkWizard(SimEnvironment* env, int model)
      : Wizard(model), usb(win.platform), searches{usb, network, env->options(kLan)} {
    test_support::InstallPrintUiStandIn(win);
    // The user's part in the selection: the line of printer `pick`, or a
    // typed text, then OK; Cancel when the box says the choice was wrong.
    const ModalDialogRunner run = [this](int template_id, platform::DialogLogic& logic,
                                         platform::WindowRef) {
      EXPECT_EQ(template_id, IDD_SELECT_PRINTER);
      platform::sim::SimDialogHost select(win.clock);
      test_support::OpenInTemplate(select, logic, "IDD_SELECT_PRINTER");
      auto dispatch = [&](const platform::WindowMessage& m) { return logic.handle_message(m); };
      logic.OnInitDialog();
      select.run_for(50, dispatch);
      listed = select.control(IDC_PRINTER_COMBO).items;
      if (!typed.empty()) select.set_text(IDC_PRINTER_COMBO, typed);
      for (std::size_t i = 0; i < listed.size(); ++i)
        if (listed[i].find(pick) != std::u16string::npos)
          select.combo_select(IDC_PRINTER_COMBO, static_cast<int>(i));
      logic.handle_message(platform::WindowMessage::command(platform::kIdOk, platform::kBnClicked));
      refused = !select.message_boxes().empty();
      if (!select.closed()) select.post_close();  // the user gives up
      return select.result();
    };
    steps.chooseNetworkPrinter = [this, run](StepContext& wizard, std::u16string_view family,
                                             std::uint32_t product, NetworkSelection* chosen) {
      return ChooseNetworkPrinter(searches, run, wizard.OwnerWindow(), family, product, chosen);
    };
  }
  void ToStep3() {
    ASSERT_TRUE(dialog.OnInitDialog());
    Click(IDC_NEXT);
    Click(IDC_NEXT);
    Run(1000);
    ASSERT_EQ(dialog.wizardState, WIZ_STEP3) << platform::to_utf8(host.text(IDC_STATUS));
  }
  void ChooseTcpIp() {
    host.set_check(IDC_PORT_TCPIP, true);
    host.set_check(IDC_PORT_USB, false);
    Click(IDC_PORT_TCPIP);
  }

  CZelkoSearch usb;
  CZelkoSearchNet network{win.sockets};
  PrinterSearches searches;
  std::u16string pick;
  std::u16string typed;
  std::vector<std::u16string> listed;
  bool refused = false;
};

struct NetworkCase {
  int model;
  const char16_t* pick;     // the printer id whose line is chosen
  int address;              // its address in the scenario's block
  std::uint32_t rawPort;    // and its raw print port
  int modelAfter;           // the wizard's model once chosen
  const char16_t* driver;   // the driver and queue installed
  const char16_t* infName;  // the description of the INF used
  int listed;               // lines of the family in the list
};

class NetworkInstallationRun : public ::testing::TestWithParam<NetworkCase> {};

TEST_P(NetworkInstallationRun, FromStep1ToClickClose) {
  REQUIRE_SIMULATOR(env);
  const NetworkCase c = GetParam();
  NetworkWizard w(env, c.model);
  w.pick = c.pick;
  w.ToStep3();
  w.ChooseTcpIp();
  EXPECT_EQ(static_cast<int>(w.listed.size()), c.listed);
  const std::u16string address = env->address16(c.address);
  EXPECT_EQ(std::u16string(platform::view_of(w.dialog.networkAddress)), address);
  EXPECT_EQ(w.dialog.modelIndex, c.modelAfter);
  EXPECT_TRUE(w.host.is_checked(IDC_PORT_TCPIP));

  const std::uint64_t start = w.win.clock.now_ms();
  w.Click(IDC_NEXT);
  // The port the monitor was given: raw printing to the printer's port.
  const auto ports = w.win.spooler.tcp_ports();
  ASSERT_EQ(ports.size(), 1u);
  EXPECT_EQ(std::u16string(platform::view_of(ports[0].record.sztPortName)), u"IP_" + address);
  EXPECT_EQ(std::u16string(platform::view_of(ports[0].record.sztHostAddress)), address);
  EXPECT_EQ(ports[0].record.dwPortNumber, c.rawPort);
  EXPECT_EQ(ports[0].record.dwProtocol, 1u);
  // The driver from the preinstalled package, under the model's name, and
  // its queue on that port.
  const std::u16string printui =
      u"\"C:\\Windows\\system32\\rundll32.exe\" printui.dll,PrintUIEntry /ia /q /m \"" +
      std::u16string(c.driver) + u"\" /h \"x86\" /f ";
  EXPECT_TRUE(std::ranges::any_of(w.win.processes.started(), [&](const auto& started) {
    return started.command_line.starts_with(printui);
  }));
  EXPECT_TRUE(std::ranges::any_of(w.win.spooler.queues(), [&](const auto& q) {
    return q.printer_name == c.driver && q.driver_name == c.driver &&
           q.port_name == u"IP_" + address;
  }));
  // The INF that served carries the pair's name on its source disk.
  EXPECT_TRUE(std::ranges::any_of(w.win.setup_api.oem_infs(), [&](const auto& name) {
    return w.win.shell.file_contents(u"C:\\Windows\\INF\\" + name)
               .find(platform::to_utf8(c.infName)) != std::string::npos;
  }));

  // Thirty ticks of 500 ms, then "Click Close".
  w.Run(14999);
  EXPECT_NE(w.host.text(IDC_STATUS), kClickCloseText);
  w.Run(1);
  EXPECT_EQ(w.host.text(IDC_STATUS), kClickCloseText);
  EXPECT_EQ(w.win.clock.now_ms() - start, 15000u);
  EXPECT_TRUE(w.host.is_enabled(IDC_NEXT));
  EXPECT_FALSE(w.host.is_enabled(IDC_CANCEL_BUTTON));
}

// Model 0: the ZELKO-70 printer; its word gives 0, which leaves the model.
// Model 6: the ZELKO-40 printer, whose package lists it under the
// ZELKO-70 name. Model 13: the MARLO-800 printer (its administration
// channel is off: the report stays empty, the choice stands). No model:
// row 0's family, and the model stays unchosen.
constexpr char16_t kZelko70[] = u"Orvane ZELKO-70 Card Printer";
constexpr char16_t kZelko40[] = u"Orvane ZELKO-40 Card Printer";
constexpr char16_t kMarlo800[] = u"Orvane MARLO-800 Card Printer";
INSTANTIATE_TEST_SUITE_P(
    Models, NetworkInstallationRun,
    ::testing::Values(NetworkCase{0, u"K7M2P4T9", 2, 9100, 0, kZelko70, kZelko70, 3},
                      NetworkCase{6, u"R4D8N2W6", 3, 9101, 6, kZelko40, kZelko70, 3},
                      NetworkCase{13, u"N0ADM1N0", 5, 9100, 13, kMarlo800, kMarlo800, 1},
                      NetworkCase{MODEL_NONE, u"K7M2P4T9", 2, 9100, MODEL_NONE, kZelko70, kZelko70,
                                  3}));

TEST(NetworkInstallation, APrinterThatDoesNotAnswerLeavesTheUsbPath) {
  REQUIRE_SIMULATOR(env);
  // No printer of the Tavrin family answers on this network.
  NetworkWizard w(env, 2);
  w.typed = u"[T4VR1N00 : " + env->address16(2) + u"]";
  w.ToStep3();
  w.ChooseTcpIp();
  EXPECT_TRUE(w.listed.empty());
  EXPECT_TRUE(w.refused);
  EXPECT_TRUE(w.host.is_checked(IDC_PORT_USB));
  EXPECT_FALSE(w.host.is_checked(IDC_PORT_TCPIP));
  EXPECT_EQ(std::u16string(platform::view_of(w.dialog.networkAddress)), u"");
  EXPECT_EQ(w.dialog.modelIndex, 2);
}

// The unattended network run against the same simulated printers: the
// selection dialog's own list and look-up without a window, chosen by id,
// by address, a printer nobody has, or one of another family (a MARLO-800
// for model 0), and with a socket call that always fails.
TEST(QuietNetworkInstallation, ByIdByAddressAPrinterNobodyHasAndOneOfAnotherFamily) {
  REQUIRE_SIMULATOR(env);
  struct Case {
    std::u16string printer;
    std::uint32_t code;
    std::string reason;           // the log's line on why it was not found
    const char* fault = nullptr;  // a socket call failed from the start
  };
  const std::string not_found =
      "message-box \"ERROR\": not shown, answered as OK: Wrong printer description";
  const std::string other_family =
      "refused: a printer of another family (product 3856, expected 3850)";
  for (const Case& c :
       {Case{u"K7M2P4T9", kExitSuccess, ""}, Case{env->address16(2), kExitSuccess, ""},
        Case{u"T4VR1N00", kExitPrinterNotFound, not_found + " Please check Printer ID or IP."},
        Case{u"N0ADM1N0", kExitPrinterNotFound, other_family},
        // By its address the printer without an administration channel
        // gives no description at all.
        Case{env->address16(5), kExitPrinterNotFound, "Wrong printer description"},
        // No socket, no request sent, no answer received: nothing is found.
        // Without the administration channel the printer found is chosen.
        Case{u"K7M2P4T9", kExitPrinterNotFound, not_found, "socket"},
        Case{u"K7M2P4T9", kExitPrinterNotFound, not_found, "sendto"},
        Case{u"K7M2P4T9", kExitPrinterNotFound, not_found, "recvfrom"},
        Case{u"K7M2P4T9", kExitSuccess, "", "connect"}}) {
    SCOPED_TRACE(platform::to_utf8(c.printer) + (c.fault ? std::string(" ") + c.fault : ""));
    NetworkWizard w(env, 0);
    if (c.fault) w.win.faults.fail(c.fault, platform::kWsaENetDown, 1, true);
    w.win.system.arguments = u"/quiet /network " + c.printer + u" /model 0";
    const CommandSwitches switches = ParseCommandSwitches(w.win.system.arguments);
    ASSERT_TRUE(switches.error.empty());
    platform::sim::SimMonitorSystem ui;
    StartupServices services{ui};
    const std::uint32_t code = RunUnattendedProgram(
        w.win.platform, w.steps, services, switches, nullptr, [&w](UnattendedRun& run) {
          w.steps.chooseNetworkPrinter = [&w, &run](StepContext& wizard, std::u16string_view family,
                                                    std::uint32_t product,
                                                    NetworkSelection* chosen) {
            const ModalDialogRunner headless = std::bind_front(&UnattendedRun::RunSelection, &run);
            return ChooseNetworkPrinter(w.searches, headless, wizard.OwnerWindow(), family, product,
                                        chosen);
          };
        });
    EXPECT_EQ(code, c.code);
    EXPECT_TRUE(c.fault == nullptr || w.win.faults.calls(c.fault) > 0);
    EXPECT_TRUE(w.win.desktop.message_boxes().empty());
    const std::string log =
        w.win.shell.file_contents(u"C:\\Users\\Administrator\\AppData\\Local\\Temp\\Pelmora.log");
    if (c.code == kExitSuccess) {
      const auto ports = w.win.spooler.tcp_ports();
      ASSERT_EQ(ports.size(), 1u);
      EXPECT_EQ(std::u16string(platform::view_of(ports[0].record.sztHostAddress)),
                env->address16(2));
      EXPECT_EQ(ports[0].record.dwPortNumber, 9100u);
      EXPECT_TRUE(w.win.spooler.has_queue(ModelCatalogue[0].modelName));
      // The line the headless selection chose, with how many the list held.
      // Looked up before anything else was done.
      EXPECT_LT(log.find("start select-printer \""), log.find("step1 ")) << log;
      EXPECT_NE(log.find("end exit code 0: installation complete, process 3120\r\n"),
                std::string::npos);
    } else {
      EXPECT_TRUE(w.win.spooler.tcp_ports().empty());
      EXPECT_TRUE(w.win.spooler.queues().empty());
      EXPECT_NE(log.find(c.reason), std::string::npos) << log;
      // Nothing on the desk was touched: no step ran.
      EXPECT_EQ(log.find("step1 "), std::string::npos) << log;
      EXPECT_NE(log.find("end exit code 1168: the network printer \"" +
                         platform::to_utf8(c.printer) + "\" was not found, process 3120\r\n"),
                std::string::npos);
    }
  }
}

}  // namespace
}  // namespace pelmora::testing
