// Step 2 on a simulated Windows: the class files, the card form walk, the
// driver package and its command line, the monitor's autorun and the
// pre-install worker.
#include "operations/preparation.h"

#include <gtest/gtest.h>

#include "install_scenario.h"
#include "localized_text.h"
#include "operations/installer_steps.h"
#include "pelmora_dlg.h"
#include "support/sim_step_context.h"
#include "wizard_fixture.h"

namespace pelmora::testing {
namespace {

using platform::FormInfo1;
using platform::sim::SimWindows;

FormInfo1 Form(std::u16string name, std::int32_t width, std::int32_t height) {
  return {platform::kFormUser, std::move(name), width, height, 0, 0, width, height};
}

std::vector<std::u16string> Names(const std::vector<FormInfo1>& forms) {
  std::vector<std::u16string> names;
  for (const auto& form : forms) names.push_back(form.name);
  return names;
}

class Preparation : public ::testing::Test, public PreparedSteps {
 protected:
  Preparation() : PreparedSteps(0) { host.enable(IDC_CANCEL_BUTTON, false); }
  std::vector<std::u16string> FormsAfterCheck(std::vector<FormInfo1> forms) {
    win.spooler.set_forms(std::move(forms));
    EXPECT_TRUE(CheckPapers(context));
    return Names(win.spooler.forms());
  }
  int FormChanges() { return win.faults.calls("AddFormW") + win.faults.calls("DeleteFormW"); }
};

TEST_F(Preparation, TheCardFormComesFirstAmongTheCardSizedForms) {
  // Exactly the CR80 size under another name: replaced by the CR80 form,
  // the card-sized form met before it moves behind it, the one after it
  // stays where it is.
  EXPECT_EQ(
      FormsAfterCheck({Form(u"Letter", 215900, 279400), Form(u"Badge", 54000, 86000),
                       Form(u"CR80", kCr80Width, kCr80Height), Form(u"Later card", 54500, 86500)}),
      (std::vector<std::u16string>{u"Letter", u"Later card", kCr80FormName, u"Badge"}));
  const FormInfo1 cr80 = win.spooler.forms()[2];
  EXPECT_EQ(cr80.flags, platform::kFormPrinter);
  EXPECT_EQ(cr80.width, 53848);
  EXPECT_EQ(cr80.height, 85683);
  EXPECT_EQ(cr80.right, 53848);
  EXPECT_EQ(cr80.bottom, 85683);
}

TEST_F(Preparation, ACr80FormAlreadyFirstIsLeftAlone) {
  EXPECT_EQ(FormsAfterCheck({Form(u"A4", 210000, 297000), Form(kCr80FormName, 54000, 86000),
                             Form(u"Badge", 54000, 86000)}),
            (std::vector<std::u16string>{u"A4", kCr80FormName, u"Badge"}));
  EXPECT_EQ(FormChanges(), 0);
  // Met after another card form, it is made again in front of it.
  EXPECT_EQ(FormsAfterCheck({Form(u"Badge", 54000, 86000), Form(kCr80FormName, 54000, 86000)}),
            (std::vector<std::u16string>{kCr80FormName, u"Badge"}));
}

TEST_F(Preparation, CardSizeWindowTakesLandscapeAndItsInclusiveBounds) {
  EXPECT_TRUE(IsCardSizeForm(86000, 54000));
  EXPECT_TRUE(IsCardSizeForm(55000, 87000));
  EXPECT_TRUE(IsCardSizeForm(53000, 85000));
  EXPECT_FALSE(IsCardSizeForm(55001, 86000));
  EXPECT_FALSE(IsCardSizeForm(54000, 84999));
  // Negative sizes compare as unsigned, far outside the window.
  EXPECT_FALSE(IsCardSizeForm(static_cast<std::uint32_t>(-54000), 86000));
  EXPECT_EQ(FormsAfterCheck({Form(u"Wide card", 86000, 54000), Form(u"Too wide", 55001, 86000)}),
            (std::vector<std::u16string>{u"Too wide", kCr80FormName, u"Wide card"}));
}

TEST_F(Preparation, MoreFormsThanTheBufferHoldsTouchNothingButTheCardForm) {
  // 1 MiB of forms does not fit: the list counts as empty, so no form is
  // deleted and the CR80 form is only added.
  std::vector<FormInfo1> many;
  for (int i = 0; i < 20000; ++i)
    many.push_back(Form(platform::format(u"Card form number %05d", {i}), 54000, 86000));
  const std::size_t before = many.size();
  win.spooler.set_forms(std::move(many));
  EXPECT_TRUE(CheckPapers(context));
  EXPECT_EQ(win.faults.calls("DeleteFormW"), 0);
  EXPECT_EQ(win.spooler.forms().size(), before + 1);
  EXPECT_EQ(win.spooler.forms().back().name, kCr80FormName);
}

TEST_F(Preparation, ASpoolerThatCannotBeOpenedStopsTheStep) {
  win.faults.fail("OpenPrinterW", platform::kErrorAccessDenied);
  EXPECT_FALSE(RunPreparationStep(context));
  EXPECT_EQ(host.text(IDC_STATUS), u"Can't access spool");
  EXPECT_EQ(host.control(IDC_PROGRESS).position, 1);
}

TEST_F(Preparation, ClassFilesAreRestoredOnlyWhenMissing) {
  const std::u16string inf = u"C:\\Windows\\system32\\inf\\usbprint.inf";
  const std::u16string sys = u"C:\\Windows\\system32\\drivers\\usbprint.sys";
  // Neither the files nor their copies: nothing to do, no failure.
  EXPECT_TRUE(CheckSystemFiles(context));
  EXPECT_EQ(win.faults.calls("CopyFileW"), 0);
  // The INF is there: its copy is never used; the driver is restored.
  win.shell.put_file(inf, "present");
  win.shell.put_file(u"C:\\Windows\\system32\\inf\\usbprint.in", "copy");
  win.shell.put_file(u"C:\\Windows\\system32\\inf\\usbprint.sy", "driver copy");
  win.shell.put_directory(u"C:\\Windows\\system32\\drivers");
  EXPECT_TRUE(CheckSystemFiles(context));
  EXPECT_EQ(win.shell.file_contents(inf), "present");
  EXPECT_EQ(win.shell.file_contents(sys), "driver copy");
  EXPECT_EQ(host.text(IDC_STATUS), context.Text(kTextCheckingSystemFiles));
  // A restore that fails stops the step with its own text.
  win.shell.remove_file(inf);
  win.faults.fail("CopyFileW", platform::kErrorAccessDenied);
  EXPECT_FALSE(CheckSystemFiles(context));
  EXPECT_EQ(host.text(IDC_STATUS), u"    Can't copy usbprint.inf");
  win.shell.remove_file(sys);
  win.faults.fail("CopyFileW", platform::kErrorAccessDenied, 2);
  EXPECT_FALSE(CheckSystemFiles(context));
  EXPECT_EQ(host.text(IDC_STATUS), u"Can't copy usbprint.sys");
}

TEST_F(Preparation, CommandLineOnThirtyTwoAndSixtyFourBitWindows) {
  ASSERT_TRUE(PreinstallDriverPackage(context));
  EXPECT_EQ(platform::view_of(g_preinstallCommand),
            u"\"C:\\Setup\\Bin\\i386\\DIFxCmd\" /p "
            u"\"C:\\Program Files\\Orvane\\Driver\\ZELKO\\ZELKO.inf\"");
  win.system.wow64 = true;
  ASSERT_TRUE(PreinstallDriverPackage(context));
  EXPECT_EQ(platform::view_of(g_preinstallCommand),
            u"\"C:\\Setup\\Bin\\amd64\\DIFxCmd\" /p "
            u"\"C:\\Program Files (x86)\\Orvane\\Driver\\ZELKO\\ZELKO.inf\"");
  EXPECT_TRUE(win.shell.has_file(u"C:\\Program Files (x86)\\Orvane\\Driver\\ZELKO\\ZELKO.gpd"));
  EXPECT_TRUE(win.shell.has_file(u"C:\\Program Files (x86)\\Orvane\\Driver\\plugin\\Cardplug.dll"));
}

TEST_F(Preparation, WithoutAModelRowZeroIsPreparedAndExistingFoldersAreNoFailure) {
  context.modelIndex = MODEL_NONE;
  win.shell.put_directory(u"C:\\Program Files\\Orvane\\Driver\\plugin");
  // Missing plug-in files are no failure either.
  win.shell.remove_file(u"C:\\Setup\\plugin\\Cardplug.dll");
  ASSERT_TRUE(PreinstallDriverPackage(context));
  EXPECT_TRUE(win.shell.has_file(u"C:\\Program Files\\Orvane\\Driver\\ZELKO\\ZELKO.inf"));
  EXPECT_TRUE(win.shell.has_file(u"C:\\Program Files\\Orvane\\Driver\\plugin\\Cardplug.INI"));
  // A family folder missing from the media cannot be copied.
  context.modelIndex = 3;
  win.shell.file_operation(platform::kFoDelete, u"C:\\Setup\\DX450", u"", 0);
  EXPECT_FALSE(PreinstallDriverPackage(context));
  EXPECT_EQ(host.text(IDC_STATUS), u"Can't copy driver files");
  win.faults.fail("CreateDirectoryW", platform::kErrorAccessDenied, 2);
  EXPECT_FALSE(PreinstallDriverPackage(context));
  EXPECT_EQ(host.text(IDC_STATUS), u"Can't create directory... error : 5");
}

TEST_F(Preparation, TheCertificateIsImportedFromVistaOnAndTheToolRunsEitherWay) {
  ASSERT_TRUE(PreinstallDriverPackage(context));
  win.system.version = {6, 0, 6002, 2, 1};  // Vista: code 13
  ASSERT_TRUE(StartPreinstallWorker(context));
  EXPECT_TRUE(host.is_enabled(IDC_CANCEL_BUTTON));
  // Logged before the signal: the wizard goes on as soon as it sees it.
  EXPECT_NE(context.log_at_success.find("PreinstallWorker: ok"), std::string::npos);
  for (const char* store : {"trustedpublisher", "root"})
    EXPECT_NE(context.log_at_success.find(std::string("step2 run-as \"C:\\Windows\\system32\\"
                                                      "certutil.exe -addstore ") +
                                          store + " \"\"C:\\Setup\\bin\\tvcert1.cer\"\"\": ok"),
              std::string::npos)
        << context.log_at_success;
  std::vector<platform::sim::SimProcesses::Started> elevated;
  for (const auto& s : win.processes.started())
    if (s.elevated) elevated.push_back(s);
  ASSERT_EQ(elevated.size(), 2u);
  EXPECT_EQ(elevated[0].command_line,
            u"\"C:\\Windows\\system32\\certutil.exe\"  -addstore trustedpublisher "
            u"\"C:\\Setup\\bin\\tvcert1.cer\"");
  EXPECT_EQ(
      elevated[1].command_line,
      u"\"C:\\Windows\\system32\\certutil.exe\"  -addstore root \"C:\\Setup\\bin\\tvcert1.cer\"");
  EXPECT_EQ(elevated[0].directory, u"C:\\Windows\\system32");
  // A second start while the record is set starts nothing.
  EXPECT_FALSE(StartPreinstallWorker(context));
  EXPECT_EQ(win.threads.started(), 1);

  // Windows XP (code 11): no certificate, the tool still runs.
  PreparedSteps xp(0);
  xp.win.system.version = {5, 1, 2600, 2, 1};
  xp.host.enable(IDC_CANCEL_BUTTON, false);
  ASSERT_TRUE(RunPreparationStep(xp.context));
  for (const auto& s : xp.win.processes.started()) EXPECT_FALSE(s.elevated);
  EXPECT_EQ(xp.win.setup_api.oem_infs().size(), 1u);
  EXPECT_TRUE(xp.host.is_enabled(IDC_CANCEL_BUTTON));
  // A worker that cannot start is logged as failed, with no status line of its own.
  PreparedSteps no_thread(0);
  no_thread.win.faults.fail("CreateThread", platform::kErrorAccessDenied);
  RunPreparationStep(no_thread.context);
  EXPECT_EQ(no_thread.win.threads.started(), 0);
  EXPECT_NE(no_thread.win.shell.file_contents(no_thread.context.log().Path())
                .find("step2 StartPreinstallWorker: failed\r\n"),
            std::string::npos);
}

TEST_F(Preparation, AFailedToolRunShowsTheCommandAndTheCodeAndEndsTheInstaller) {
  win.processes.install_program(u"DIFxCmd", [](std::u16string_view) { return 1u; });
  ASSERT_TRUE(RunPreparationStep(context));
  const auto boxes = win.desktop.message_boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text,
            u"\"C:\\Setup\\Bin\\i386\\DIFxCmd\" /p "
            u"\"C:\\Program Files\\Orvane\\Driver\\ZELKO\\ZELKO.inf\"");
  EXPECT_EQ(boxes[1].text, u"Error : 1, Installation has been canceled");
  EXPECT_EQ(boxes[1].caption, u"Pelmora");
  EXPECT_EQ(boxes[1].flags, platform::kMbOk);
  EXPECT_EQ(win.processes.own_exit_code(), kExitPreinstallFailed);
  EXPECT_FALSE(host.is_enabled(IDC_CANCEL_BUTTON));
}

TEST_F(Preparation, AToolThatCannotStartCountsAsAllBitsSet) {
  win.shell.remove_file(u"C:\\Setup\\Bin\\i386\\DIFxCmd.exe");
  ASSERT_TRUE(RunPreparationStep(context));
  const auto boxes = win.desktop.message_boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].text, u"Error : FFFFFFFF, Installation has been canceled");
}

TEST_F(Preparation, TheMonitorIsStartedAndRegisteredAndAMissingOneIsNoFailure) {
  ASSERT_TRUE(RunPreparationStep(context));
  EXPECT_EQ(test_support::StatusBeforePumps(host),
            (std::vector<std::u16string>{context.Text(kTextCheckingSystemFiles),
                                         context.Text(kTextCheckingPapers),
                                         context.Text(kTextPreinstallingDriverPackage)}));
  int monitor_starts = 0;
  for (const auto& started : win.processes.started())
    monitor_starts += started.command_line == kMonitorRunCommand && started.creation_flags == 0;
  EXPECT_EQ(monitor_starts, 1);
  EXPECT_EQ(RunValue(win), kMonitorRunCommand);
  PreparedSteps bare(0);
  bare.win.shell.remove_file(u"C:\\Windows\\system32\\Tessaly.exe");
  bare.win.faults.fail("RegOpenKeyExW", platform::kErrorAccessDenied, 1, true);
  EXPECT_TRUE(RunPreparationStep(bare.context));
  EXPECT_EQ(RunValue(bare.win), u"");
}

TEST(PreparationWorker, AWorkerOutlivingTheWizardWindowTouchesNothingOfIt) {
  SimWindows win;
  PrepareInstallation(win);
  win.threads.hold = true;
  std::uintptr_t window = 0;
  {
    InstallerWizard wizard(win);
    ASSERT_TRUE(wizard.dialog.OnInitDialog());
    wizard.Click(IDC_NEXT);
    wizard.Click(IDC_NEXT);
    ASSERT_EQ(wizard.dialog.wizardState, WIZ_PACKAGE_WAIT);
    window = wizard.host.window_ref();
    // The user closes the wizard while the worker has not run yet; the
    // modal loop ends and the dialog and its host are gone.
    wizard.Click(IDC_CANCEL_BUTTON);
  }
  ASSERT_NE(window, 0u);
  // The dialog let go of the worker's handle; the worker has not run yet.
  EXPECT_EQ(win.threads.open_handles(), 0u);
  win.threads.run_held();
  // The tool ran and its success reached for a window that is gone.
  EXPECT_EQ(win.setup_api.oem_infs().size(), 1u);
  EXPECT_EQ(win.desktop.calls_on_missing_windows(), 1);
  EXPECT_TRUE(win.desktop.message_boxes().empty());
}

}  // namespace
}  // namespace pelmora::testing
