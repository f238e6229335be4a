#include <gtest/gtest.h>

#include "operations/model_catalogue.h"
#include "wizard_fixture.h"

namespace pelmora::testing {
namespace {

TEST_F(WizardTest, CancelledSelectionSelectsUsbAgain) {
  AdvanceToStep3();
  steps.selection_ok = false;
  ClickTcpIp();
  EXPECT_TRUE(host.is_checked(IDC_PORT_USB));
  EXPECT_FALSE(host.is_checked(IDC_PORT_TCPIP));
  EXPECT_EQ(dialog.wizardState, WIZ_STEP3);
  // Without a model the selection looks for row 0's family and product id.
  EXPECT_EQ(steps.selection_family, u"Orvane ZELKO Card Printer");
  EXPECT_EQ(steps.selection_product, 0x3850u);

  // OK with an empty address counts as cancelled too.
  steps.selection_ok = true;
  ClickTcpIp({u"", 9100, 3});
  EXPECT_TRUE(host.is_checked(IDC_PORT_USB));
  EXPECT_EQ(dialog.modelIndex, MODEL_NONE);

  // Each row hands the selection its own USB product id.
  const std::uint32_t products[kModelCount] = {0x3850, 0x3851, 0x3852, 0x3853, 0x3854, 0x3850,
                                               0x3870, 0x3871, 0x3872, 0x3873, 0x3874, 0x3875,
                                               0x3850, 0x3856, 0x3876, 0x3850};
  steps.selection_ok = false;
  for (int row = 0; row < kModelCount; ++row) {
    dialog.modelIndex = row;
    ClickTcpIp();
    EXPECT_EQ(steps.selection_product, products[row]) << "row " << row;
  }
  dialog.modelIndex = MODEL_NONE;

  // Clicking the USB-selected radio does nothing.
  const auto calls = steps.calls.size();
  Click(IDC_PORT_TCPIP);
  EXPECT_EQ(steps.calls.size(), calls);
}

TEST_F(WizardTest, DetectedModelIsTakenOnlyInOneToFourteen) {
  AdvanceToStep3();
  ClickTcpIp({u"192.0.2.10", 9100, 0});
  EXPECT_EQ(dialog.modelIndex, MODEL_NONE);
  EXPECT_EQ(platform::view_of(dialog.networkAddress), u"192.0.2.10");
  EXPECT_EQ(dialog.networkPortNumber, 9100);
  ClickTcpIp({u"192.0.2.11", 9101, 15});
  EXPECT_EQ(dialog.modelIndex, MODEL_NONE);
  ClickTcpIp({u"192.0.2.12", 9102, 8});
  EXPECT_EQ(dialog.modelIndex, 8);
  ClickTcpIp({u"192.0.2.13", 9103, 14});
  EXPECT_EQ(dialog.modelIndex, 14);
  // The selection now starts from the detected model's row.
  EXPECT_EQ(steps.selection_family, ModelCatalogue[8].modelName);
  EXPECT_EQ(steps.selection_product, 0x3872u);
}

TEST_F(WizardTest, OverlongAddressIsCutToTheField) {
  AdvanceToStep3();
  ClickTcpIp({std::u16string(200, u'9'), 9100, -1});
  EXPECT_EQ(platform::view_of(dialog.networkAddress).size(), 31u);
}

TEST_F(WizardTest, NetworkPathEndsExactlyThirtyTicksAfterNext) {
  AdvanceToStep3();
  ClickTcpIp({u"192.0.2.10", 9100, -1});
  std::size_t sleeps_at_post = 0;
  win.desktop.add_window(u"CabinetWClass", u"Printers",
                         [&](std::uint32_t) { sleeps_at_post = win.clock.sleeps().size(); });
  const auto printers = win.desktop.add_window(u"#32770", u"Devices and Printers");
  Click(IDC_NEXT);
  EXPECT_EQ(dialog.wizardState, WIZ_INSTALLING);
  EXPECT_EQ(steps.installed_address, u"192.0.2.10");
  EXPECT_EQ(steps.installed_port, 9100);
  EXPECT_TRUE(host.timer_running(TIMER_NETWORK_FINISH));
  EXPECT_FALSE(host.timer_running(TIMER_QUEUE_POLL));

  Run(14'999);
  EXPECT_TRUE(host.timer_running(TIMER_NETWORK_FINISH));
  EXPECT_TRUE(host.is_enabled(IDC_CANCEL_BUTTON));
  EXPECT_EQ(dialog.tickCounter, 29u);
  EXPECT_EQ(dialog.ExitCode(), kExitCancelled);
  Run(1);
  EXPECT_FALSE(host.timer_running(TIMER_NETWORK_FINISH));
  EXPECT_EQ(dialog.tickCounter, 30u);
  std::vector<int> expected;
  for (int p = 1; p <= 30; ++p) expected.push_back(p);
  const auto positions = host.positions(IDC_PROGRESS);
  ASSERT_GE(positions.size(), 30u);
  // The last thirty positions are this path's: 1..30 (the wait before Step 3
  // left its own in front of them).
  EXPECT_EQ(std::vector<int>(positions.end() - 30, positions.end()), expected);
  EXPECT_FALSE(host.is_visible(IDC_PORT_USB));
  EXPECT_FALSE(host.is_visible(IDC_PORT_TCPIP));
  EXPECT_TRUE(host.is_visible(IDC_STATUS));
  EXPECT_EQ(Status(), u"Click Close");
  EXPECT_FALSE(host.is_enabled(IDC_CANCEL_BUTTON));
  EXPECT_TRUE(host.is_enabled(IDC_NEXT));
  EXPECT_EQ(host.text(IDC_NEXT), u"Close");

  // The printer windows were refreshed once, at the first tick: Explorer got
  // a posted paint, and the first printer window found a sent one.
  ASSERT_EQ(win.desktop.deliveries.size(), 2u);
  EXPECT_TRUE(win.desktop.deliveries[0].posted);
  ASSERT_LT(sleeps_at_post, win.clock.sleeps().size());
  EXPECT_EQ(win.clock.sleeps()[sleeps_at_post], 500u);  // Explorer gets half a second to paint
  EXPECT_EQ(win.desktop.deliveries[1].window, printers);
  EXPECT_FALSE(win.desktop.deliveries[1].posted);
  EXPECT_EQ(
      win.desktop.title_searches,
      (std::vector<std::u16string>{u"장치 및 프린터", u"프린터 및 팩스", u"Devices and Printers"}));
  Click(IDC_NEXT);
  EXPECT_TRUE(host.closed());
  EXPECT_EQ(dialog.ExitCode(), kExitSuccess);
}

TEST_F(WizardTest, AFailedNetworkInstallationIsShownAtOnceAndEndsAsAFailure) {
  AdvanceToStep3();
  ClickTcpIp({u"192.0.2.10", 9100, -1});
  steps.install_result = false;
  Click(IDC_NEXT);
  EXPECT_EQ(dialog.wizardState, WIZ_INSTALLING);
  EXPECT_TRUE(host.running_timers().empty());
  // The failure stands where "Click Close" would, and only Close is left.
  EXPECT_FALSE(host.is_visible(IDC_PORT_USB));
  EXPECT_FALSE(host.is_visible(IDC_PORT_TCPIP));
  EXPECT_TRUE(host.is_visible(IDC_STATUS));
  EXPECT_EQ(Status(), u"install failed");
  EXPECT_FALSE(host.is_enabled(IDC_CANCEL_BUTTON));
  EXPECT_TRUE(host.is_enabled(IDC_NEXT));
  EXPECT_EQ(host.text(IDC_NEXT), u"Close");
  Run(20'000);
  EXPECT_EQ(Status(), u"install failed");
  EXPECT_EQ(dialog.ExitCode(), kExitQueueNotCreated);
  Click(IDC_NEXT);
  EXPECT_TRUE(host.closed());
  EXPECT_EQ(dialog.ExitCode(), kExitQueueNotCreated);
}

TEST_F(WizardTest, PrinterWindowsAreLookedForInEveryLanguageTheyMayBeTitledIn) {
  Start();
  // None open: every title is tried, in order, and nothing is sent.
  EXPECT_TRUE(dialog.RefreshPrinterWindows());
  EXPECT_EQ(win.desktop.title_searches,
            (std::vector<std::u16string>{u"장치 및 프린터", u"프린터 및 팩스",
                                         u"Devices and Printers", u"Printers and Faxes",
                                         u"プリンタと FAX", u"デバイスとプリンター"}));
  EXPECT_TRUE(win.desktop.deliveries.empty());
  EXPECT_TRUE(win.clock.sleeps().empty());
  // Only the last one open: it gets the paint.
  const auto japanese = win.desktop.add_window(u"CabinetWClass", u"デバイスとプリンター");
  win.desktop.title_searches.clear();
  dialog.RefreshPrinterWindows();
  EXPECT_EQ(win.desktop.title_searches.size(), 6u);
  ASSERT_EQ(win.desktop.deliveries.size(), 2u);
  EXPECT_EQ(win.desktop.deliveries[1].window, japanese);
  EXPECT_EQ(win.desktop.deliveries[1].message, platform::kWmPaint);
  EXPECT_EQ(win.clock.sleeps(), std::vector<std::uint32_t>{500});
}

TEST_F(WizardTest, ScanReenumeratesOnlyWhenTheRootIsFound) {
  Start();
  EXPECT_EQ(dialog.ScanDevices(), platform::kCrSuccess);
  EXPECT_EQ(win.devices.reenumerations, 1);
  win.devices.locate_result = platform::kCrFailure;
  EXPECT_EQ(dialog.ScanDevices(), platform::kCrFailure);
  EXPECT_EQ(win.devices.reenumerations, 1);
}

}  // namespace
}  // namespace pelmora::testing
