#include <gtest/gtest.h>

#include "operations/model_catalogue.h"
#include "wizard_fixture.h"

namespace pelmora::testing {
namespace {

using platform::kHkeyCurrentUser;

TEST_F(WizardTest, Step1ForAnAdministratorInEnglishByDefault) {
  Start();
  EXPECT_EQ(dialog.wizardState, WIZ_STEP1);
  EXPECT_EQ(dialog.languageIndex, 0);
  EXPECT_EQ(dialog.modelIndex, MODEL_NONE);
  EXPECT_EQ(host.title(), u"Pelmora");  // no model: the title stays
  EXPECT_EQ(host.text(IDC_HEADER), u"  STEP 1: Checking for previous installations");
  EXPECT_EQ(host.text(IDC_DETAILS),
            u"\r\n  This step removes previously installed drivers and could take several "
            u"minutes.\r\n\r\n  Please un-plug the card printer from your PC and click \"Next\"");
  EXPECT_EQ(Status(), u"Click \"Next\"");
  EXPECT_EQ(host.text(IDC_NEXT), u"Next");
  EXPECT_EQ(host.text(IDC_CANCEL_BUTTON), u"Cancel");
  EXPECT_TRUE(host.is_enabled(IDC_NEXT));
  EXPECT_FALSE(host.is_visible(IDC_PORT_USB));
  EXPECT_FALSE(host.is_visible(IDC_PORT_TCPIP));
  EXPECT_EQ(host.combo_selection(IDC_LANGUAGE), 0);
  EXPECT_EQ(host.control(IDC_PICTURE).bitmap, IDB_STEP1);
  EXPECT_EQ(host.icon(), 128);
  EXPECT_EQ(host.control(IDC_HEADER).background_color, 0x00FF4040u);  // RGB(64, 64, 255)
  EXPECT_EQ(host.control(IDC_HEADER).text_color, 0x00FFFFFFu);
  EXPECT_EQ(host.control(IDC_HEADER).font_weight, 700);
  // The compatibility registration ran for the administrator.
  EXPECT_TRUE(Persisted(win, u"SIGN=D1FE0 Pelmora.exe"));
  EXPECT_TRUE(Persisted(win, u"C:\\Setup\\Pelmora.exe"));
  EXPECT_TRUE(host.running_timers().empty());
  EXPECT_EQ(dialog.ExitCode(), kExitCancelled);  // closing now installs nothing
}

TEST_F(WizardTest, TitleShowsWow64AndTheModelFamily) {
  win.system.wow64 = true;
  Start();
  EXPECT_EQ(host.title(), u"Pelmora - WOW64");

  for (auto [model, title] :
       {std::pair{6, u"Pelmora  -  Orvane ZELKO Card Printer"},
        std::pair{8, u"Pelmora  -  TAVRIN ID Printer"}, std::pair{15, u"Pelmora  -  QEL-KLX-2D"},
        std::pair{11, u"Pelmora  -  TMX410D"}}) {
    WriteSettings("MODEL: " + std::to_string(model) + "\n");
    host.set_title(u"Pelmora");
    Start();
    // The family name replaces the WOW64 title.
    EXPECT_EQ(host.title(), title) << model;
  }
}

TEST_F(WizardTest, NonAdministratorCannotGoOnButMayChangeTheLanguage) {
  win.shell.admin = false;
  Start();
  EXPECT_EQ(host.text(IDC_DETAILS), u"Please execute this program with administrations privilege.");
  EXPECT_FALSE(host.is_enabled(IDC_NEXT));
  EXPECT_EQ(Status(), u"");  // left as the template had it
  EXPECT_FALSE(win.registry.key_exists(kHkeyCurrentUser, kPersisted));

  ChooseLanguage(2);  // Spanish: the check runs again and still refuses
  EXPECT_EQ(win.faults.calls("IsUserAnAdmin"), 2);
  EXPECT_EQ(host.text(IDC_HEADER), Text(kTextStep1Header, 2));
  EXPECT_EQ(host.text(IDC_DETAILS), Text(kTextNeedAdministrator, 2));
  EXPECT_FALSE(host.is_enabled(IDC_NEXT));
  EXPECT_EQ(dialog.wizardState, WIZ_STEP1);
  Click(IDC_CANCEL_BUTTON);
  EXPECT_TRUE(host.closed());
  EXPECT_EQ(dialog.ExitCode(), kExitNotAdministrator);
}

TEST_F(WizardTest, LanguageFromSettingsFileAndCommandLine) {
  WriteSettings("LANGUAGE: 1\r\nMODEL:0\r\n");
  Start();
  EXPECT_EQ(dialog.languageIndex, 1);
  EXPECT_EQ(host.combo_selection(IDC_LANGUAGE), 1);
  EXPECT_EQ(host.text(IDC_HEADER), u"  1 단계: 구버전 드라이버 확인");
  EXPECT_EQ(host.text(IDC_NEXT), u"다음");

  // The command line's code wins over the file.
  win.system.arguments = u"/RUS";
  Start();
  EXPECT_EQ(dialog.languageIndex, 9);
  EXPECT_EQ(host.text(IDC_CANCEL_BUTTON), u"Отмена");

  // Without a settings file the command line is not looked at.
  platform::sim::SimWindows bare;
  bare.system.arguments = u"/KOR";
  StandInWizard bare_wizard(bare);
  bare_wizard.dialog.OnInitDialog();
  EXPECT_EQ(bare_wizard.dialog.languageIndex, 0);
}

TEST_F(WizardTest, LanguageChangeIsHonouredOnlyOnStep1) {
  Start();
  ChooseLanguage(3);
  EXPECT_EQ(dialog.languageIndex, 3);
  EXPECT_EQ(host.text(IDC_HEADER), Text(kTextStep1Header, 3));
  EXPECT_EQ(Status(), Text(kTextStep1Status, 3));

  Click(IDC_NEXT);
  ASSERT_EQ(dialog.wizardState, WIZ_STEP2);
  EXPECT_FALSE(host.is_visible(IDC_LANGUAGE));  // gone for good
  EXPECT_EQ(host.text(IDC_HEADER), Text(kTextStep2Header, 3));
  ChooseLanguage(1);
  EXPECT_EQ(dialog.languageIndex, 3);
  EXPECT_EQ(host.text(IDC_HEADER), Text(kTextStep2Header, 3));
}

TEST_F(WizardTest, FailedRemovalStaysOnStep1AndMayBeRepeated) {
  Start();
  steps.cleanup_result = false;
  Click(IDC_NEXT);
  EXPECT_EQ(dialog.wizardState, WIZ_STEP1);
  EXPECT_TRUE(host.is_enabled(IDC_NEXT));
  EXPECT_TRUE(host.is_enabled(IDC_CANCEL_BUTTON));
  EXPECT_FALSE(host.is_visible(IDC_LANGUAGE));
  EXPECT_EQ(Status(), u"cleanup ran");  // the failing operation's message stays
  EXPECT_EQ(dialog.ExitCode(), kExitRemovalFailed);

  steps.cleanup_result = true;
  Click(IDC_NEXT);
  EXPECT_EQ(dialog.wizardState, WIZ_STEP2);
  EXPECT_EQ(dialog.ExitCode(), kExitCancelled);  // the retry succeeded
  EXPECT_EQ(host.text(IDC_HEADER), u"  STEP 2 :   Installation checks");
  EXPECT_EQ(host.text(IDC_DETAILS),
            u"\r\n  The step prepares your system for driver installation.\r\n\r\n  Please click "
            u"\"Next\"");
  EXPECT_EQ(Status(), u"Click \"Next\"");
  EXPECT_EQ(host.control(IDC_PICTURE).bitmap, IDB_STEP2);
  EXPECT_EQ(steps.calls, (std::vector<std::string>{"cleanup", "cleanup"}));
}

TEST_F(WizardTest, CloseOrEscapeDuringAStepEndsTheWizardOnceTheStepIsDone) {
  // The user closes the window while Step 1 works: the step's pump delivers
  // the close, and the step still runs to its end in the window that is
  // going away.
  for (const platform::WindowMessage posted :
       {platform::WindowMessage{platform::kWmClose, 0, 0},
        platform::WindowMessage::command(platform::kIdCancel, 0)}) {
    StandInWizard closing(win);
    bool closed_in_pump = false;
    closing.steps.during_cleanup = [&](StepContext& context) {
      closing.host.post(posted);
      context.PumpMessages();
      closed_in_pump = closing.host.closed();
    };
    closing.dialog.OnInitDialog();
    closing.Click(IDC_NEXT);
    EXPECT_TRUE(closed_in_pump);
    EXPECT_EQ(closing.host.result(), platform::kIdCancel);
    EXPECT_EQ(closing.host.text(IDC_HEADER), u"  STEP 2 :   Installation checks");
    EXPECT_EQ(closing.dialog.wizardState, WIZ_STEP2);
    EXPECT_EQ(closing.dialog.ExitCode(), kExitCancelled);
  }
}

TEST_F(WizardTest, FailedPreparationLeavesBothButtonsDisabled) {
  Start();
  Click(IDC_NEXT);
  steps.preparation_result = false;
  Click(IDC_NEXT);
  EXPECT_EQ(dialog.wizardState, WIZ_STEP2);
  EXPECT_FALSE(host.is_enabled(IDC_NEXT));
  EXPECT_FALSE(host.is_enabled(IDC_CANCEL_BUTTON));
  EXPECT_TRUE(host.running_timers().empty());
  // Only the close box is left, and it ends a failed installation.
  host.post({platform::kWmClose, 0, 0});
  Run(0);
  EXPECT_TRUE(host.closed());
  EXPECT_EQ(host.result(), platform::kIdCancel);
  EXPECT_EQ(dialog.ExitCode(), kExitPreparationFailed);
}

TEST_F(WizardTest, PackageWaitProgressAndWorkerHandshake) {
  Start();
  Click(IDC_NEXT);
  Click(IDC_NEXT);
  ASSERT_EQ(dialog.wizardState, WIZ_PACKAGE_WAIT);
  EXPECT_TRUE(host.timer_running(TIMER_PACKAGE_WAIT));
  EXPECT_FALSE(host.is_enabled(IDC_NEXT));
  EXPECT_FALSE(host.is_enabled(IDC_CANCEL_BUTTON));

  // A worker that never signals: the bar runs 2..29 and stays there.
  Run(60'000);
  std::vector<int> expected;
  for (int p = 2; p <= 29; ++p) expected.push_back(p);
  EXPECT_EQ(host.positions(IDC_PROGRESS), expected);
  EXPECT_EQ(host.control(IDC_PROGRESS).range_high, 30);
  EXPECT_EQ(dialog.wizardState, WIZ_PACKAGE_WAIT);

  // The worker succeeds: the next tick shows 30 for two seconds, then 0,
  // then Step 3.
  host.enable(IDC_CANCEL_BUTTON, true);
  const auto sleeps_before = win.clock.sleeps().size();
  Run(1000);
  expected.insert(expected.end(), {30, 0});
  EXPECT_EQ(host.positions(IDC_PROGRESS), expected);
  ASSERT_EQ(win.clock.sleeps().size(), sleeps_before + 1);
  EXPECT_EQ(win.clock.sleeps().back(), 2000u);
  EXPECT_FALSE(host.timer_running(TIMER_PACKAGE_WAIT));
  EXPECT_EQ(dialog.wizardState, WIZ_STEP3);
  EXPECT_TRUE(host.is_enabled(IDC_NEXT));
  EXPECT_TRUE(host.is_enabled(IDC_CANCEL_BUTTON));
  EXPECT_FALSE(host.is_visible(IDC_STATUS));
  EXPECT_TRUE(host.is_visible(IDC_PORT_USB));
  EXPECT_TRUE(host.is_visible(IDC_PORT_TCPIP));
  EXPECT_TRUE(host.is_checked(IDC_PORT_USB));
  EXPECT_FALSE(host.is_checked(IDC_PORT_TCPIP));
  EXPECT_EQ(host.text(IDC_HEADER), u"  STEP 3 :  Plug in your card printer.");
  EXPECT_EQ(host.control(IDC_PICTURE).bitmap, IDB_STEP3);
}

TEST_F(WizardTest, EarlyWorkerSuccessStillShowsTheBarFromTwo) {
  Start();
  Click(IDC_NEXT);
  Click(IDC_NEXT);
  host.enable(IDC_CANCEL_BUTTON, true);
  Run(999);  // the wait looks once a second
  EXPECT_TRUE(host.positions(IDC_PROGRESS).empty());
  Run(1);
  EXPECT_EQ(host.positions(IDC_PROGRESS), (std::vector<int>{2, 30, 0}));
  EXPECT_EQ(dialog.wizardState, WIZ_STEP3);
}

// Queue names the USB poll tries per tick, read from the spooler's call log.
std::vector<std::string> OpenedNames(platform::sim::Faults& faults) {
  std::vector<std::string> names;
  for (const auto& entry : faults.log())
    if (entry.rfind("OpenPrinterW ", 0) == 0) names.push_back(entry.substr(13));
  return names;
}

TEST_F(WizardTest, UsbPathPollsTheQueuesAndRescansUntilOneOpens) {
  AdvanceToStep3();  // MODEL_NONE
  win.faults.clear_log();
  Click(IDC_NEXT);
  EXPECT_EQ(dialog.wizardState, WIZ_INSTALLING);
  EXPECT_EQ(steps.stale_removed.size(), 16u);  // every row without a model
  EXPECT_TRUE(host.timer_running(TIMER_QUEUE_POLL));
  EXPECT_TRUE(host.is_enabled(IDC_CANCEL_BUTTON));
  EXPECT_FALSE(host.is_enabled(IDC_NEXT));
  EXPECT_EQ(host.text(IDC_NEXT), u"Close");
  EXPECT_FALSE(host.is_enabled(IDC_PORT_USB));
  EXPECT_FALSE(host.is_enabled(IDC_PORT_TCPIP));

  Run(999);  // the poll looks once a second
  EXPECT_EQ(win.devices.reenumerations, 0);
  Run(2001);  // three ticks, no queue yet
  EXPECT_EQ(
      OpenedNames(win.faults),
      (std::vector<std::string>{"Orvane ZELKO-40 Card Printer", "Orvane ZELKO-70 Card Printer",
                                "Orvane ZELKO-40 Card Printer", "Orvane ZELKO-70 Card Printer",
                                "Orvane ZELKO-40 Card Printer", "Orvane ZELKO-70 Card Printer"}));
  EXPECT_EQ(win.devices.reenumerations, 3);
  EXPECT_EQ(win.devices.last_reenumerate_flags, platform::kCmReenumerateRetryInstallation);
  EXPECT_EQ(dialog.wizardState, WIZ_INSTALLING);

  // Plug and Play makes the queue at the next rescan.
  win.devices.on_reenumerate = [this] {
    win.spooler.add_queue(
        {u"Orvane ZELKO-70 Card Printer", u"USB001", u"Orvane ZELKO-70 Card Printer", 0, 0});
  };
  Run(2000);
  EXPECT_FALSE(host.timer_running(TIMER_QUEUE_POLL));
  EXPECT_EQ(win.spooler.open_handles(), 0u);  // the queue was closed again
  EXPECT_FALSE(host.is_enabled(IDC_CANCEL_BUTTON));
  EXPECT_TRUE(host.is_enabled(IDC_NEXT));
  EXPECT_EQ(host.control(IDC_PROGRESS).position, 30);
  EXPECT_EQ(Status(), u"Click Close");
  EXPECT_TRUE(host.is_visible(IDC_STATUS));
  Click(IDC_NEXT);
  EXPECT_TRUE(host.closed());
  EXPECT_EQ(dialog.ExitCode(), kExitSuccess);
  // Had a file in use waited for the restart, the same end is 3010.
  dialog.restartNeeded = true;
  EXPECT_EQ(dialog.ExitCode(), kExitRebootRequired);
}

TEST_F(WizardTest, UsbPollNamesAndStaleDevicesFollowTheModel) {
  WriteSettings("MODEL:6\n");
  AdvanceToStep3();
  win.faults.clear_log();
  Click(IDC_NEXT);
  EXPECT_EQ(steps.stale_removed, (std::vector<int>{0, 6}));
  Run(2000);
  EXPECT_EQ(OpenedNames(win.faults), (std::vector<std::string>{"Orvane ZELKO-40 Card Printer",
                                                               "Orvane ZELKO-40 Card Printer"}));

  int indexes[16];
  EXPECT_EQ(StaleDeviceIndexes(5, indexes), 2);
  EXPECT_EQ(indexes[1], 6);
  EXPECT_EQ(StaleDeviceIndexes(10, indexes), 2);
  EXPECT_EQ(indexes[0], 4);
  EXPECT_EQ(StaleDeviceIndexes(14, indexes), 2);
  EXPECT_EQ(indexes[0], 13);
  // Either Tavrin model removes the TX250's nodes, then the TX230's.
  for (int model : {2, 8}) {
    ASSERT_EQ(StaleDeviceIndexes(model, indexes), 2);
    EXPECT_EQ(std::vector<int>(indexes, indexes + 2), (std::vector<int>{2, 8})) << model;
  }
  EXPECT_EQ(StaleDeviceIndexes(7, indexes), 1);
  EXPECT_EQ(indexes[0], 7);
  EXPECT_EQ(StaleDeviceIndexes(-3, indexes), 0);
  EXPECT_EQ(StaleDeviceIndexes(kModelCount - 1, indexes), 1);
  EXPECT_EQ(StaleDeviceIndexes(MODEL_NONE, indexes), 16);  // every row
  EXPECT_EQ(indexes[15], 15);
  EXPECT_EQ(StaleDeviceIndexes(MODEL_NONE + 1, indexes), 0);
}

TEST_F(WizardTest, UsbPollForEachPairTriesTheSecondMemberFirst) {
  for (auto [model, first, second] :
       {std::tuple{2, "Tavrin TX230 Printer", "Tavrin TX250 Printer"},
        std::tuple{13, "Orvane MARLO-600 Card Printer", "Orvane MARLO-800 Card Printer"}}) {
    platform::sim::SimWindows sim;
    StandInWizard paired(sim);
    sim.shell.put_file(u"C:\\Setup\\Pelmora.ini", "MODEL:" + std::to_string(model));
    paired.dialog.OnInitDialog();
    paired.dialog.wizardState = WIZ_STEP3;
    paired.host.set_check(IDC_PORT_USB, true);
    paired.dialog.OnNext();
    paired.Run(1000);
    EXPECT_EQ(OpenedNames(sim.faults), (std::vector<std::string>{first, second})) << model;
  }
}

TEST_F(WizardTest, CancelClosesInEveryState) {
  Start();
  Click(IDC_CANCEL_BUTTON);
  EXPECT_TRUE(host.closed());

  StandInWizard second(win);
  second.dialog.OnInitDialog();
  second.dialog.OnNext();
  second.dialog.OnNext();
  ASSERT_EQ(second.dialog.wizardState, WIZ_PACKAGE_WAIT);
  second.dialog.OnCancelButton();  // the window's close box in this state
  EXPECT_TRUE(second.host.closed());
}

}  // namespace
}  // namespace pelmora::testing
