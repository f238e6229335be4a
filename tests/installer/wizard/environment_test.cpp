#include "environment.h"

#include <gtest/gtest.h>

#include "operations/installer_steps.h"
#include "pelmora_app.h"
#include "pelmora_dlg.h"
#include "platform/util/text.h"
#include "platform_sim/sim_dialog_host.h"
#include "platform_sim/sim_tray_window.h"
#include "platform_sim/sim_windows.h"
#include "wizard_fixture.h"

namespace pelmora::testing {
namespace {

using platform::WindowsVersion;

TEST(ClassifyWindowsVersion, WholeTable) {
  struct Case {
    std::uint32_t platform, major, minor;
    std::uint8_t product;
    int code;
  } cases[] = {
      {1, 4, 0, 1, 3},  {1, 4, 10, 1, 4},  {1, 4, 90, 1, 5}, {1, 4, 20, 1, 9}, {2, 3, 51, 1, 8},
      {2, 4, 0, 1, 9},  {2, 5, 0, 1, 10},  {2, 5, 1, 1, 11}, {2, 5, 2, 3, -1}, {2, 6, 0, 1, 13},
      {2, 6, 0, 3, 15}, {2, 6, 1, 1, 14},  {2, 6, 1, 2, 16}, {2, 6, 2, 1, 17}, {2, 6, 2, 3, 18},
      {2, 6, 3, 1, -1}, {2, 10, 0, 1, -1}, {0, 6, 1, 1, -1}, {3, 6, 1, 1, -1}, {1, 5, 0, 1, 10},
  };
  for (const auto& c : cases) {
    WindowsVersion v{c.major, c.minor, 0, c.platform, c.product};
    EXPECT_EQ(ClassifyWindowsVersion(v), c.code)
        << c.platform << " " << c.major << "." << c.minor << " type " << int(c.product);
  }
  platform::sim::SimWindows win;
  win.faults.fail("GetVersionExW", platform::kErrorAccessDenied);
  EXPECT_EQ(ClassifyWindowsVersion(win.system), -1);
  EXPECT_EQ(ClassifyWindowsVersion(win.system), 14);  // the simulated Windows 7
}

TEST(GetInstallerDirectory, CutsAfterTheLastBackslash) {
  platform::sim::SimWindows win;
  char16_t buffer[260];
  win.system.module_path = u"D:\\Media\\Drivers\\Pelmora.exe";
  EXPECT_TRUE(GetInstallerDirectory(win.system, buffer, 260));
  EXPECT_EQ(platform::view_of(buffer), u"D:\\Media\\Drivers\\");
  win.system.module_path = u"Pelmora.exe";
  GetInstallerDirectory(win.system, buffer, 260);
  EXPECT_EQ(platform::view_of(buffer), u"Pelmora.exe");
  // A path longer than the buffer is cut first, then at its last backslash.
  win.system.module_path = u"C:\\abc\\defgh\\Pelmora.exe";
  char16_t small[10];
  GetInstallerDirectory(win.system, small, 10);
  EXPECT_EQ(platform::view_of(small), u"C:\\abc\\");
}

TEST(RegisterCompatibilityPersisted, MissingAssistantIsASuccessfulNoOp) {
  platform::sim::SimWindows win;
  EXPECT_TRUE(RegisterCompatibilityPersisted(win.registry, win.system));
  EXPECT_FALSE(win.registry.key_exists(platform::kHkeyCurrentUser, kPersisted));
}

TEST(RegisterCompatibilityPersisted, CreatesPersistedAndWritesThreeValues) {
  platform::sim::SimWindows win;
  win.registry.put_dword(platform::kHkeyCurrentUser, kAssistant, u"x", 0);
  win.system.module_path = u"E:\\Setup Files\\Pelmora.exe";
  EXPECT_TRUE(RegisterCompatibilityPersisted(win.registry, win.system));
  for (auto name : {u"SIGN=D1FE0 Pelmora.exe", u"SIGN.MEDIA=D1FE0 Pelmora.exe",
                    u"E:\\Setup Files\\Pelmora.exe"}) {
    platform::RegistryValue v;
    ASSERT_TRUE(win.registry.value(platform::kHkeyCurrentUser, kPersisted, name, &v));
    EXPECT_EQ(v.type, platform::kRegDword);
    EXPECT_EQ(v.data, (std::vector<std::uint8_t>{1, 0, 0, 0}));
  }
  EXPECT_EQ(win.registry.open_handles(), 0u);  // both keys closed
}

TEST(RegisterCompatibilityPersisted, StopsAtTheFirstFailedWrite) {
  platform::sim::SimWindows win;
  win.registry.put_dword(platform::kHkeyCurrentUser, kAssistant, u"x", 0);
  win.faults.fail("RegSetValueExW", platform::kErrorAccessDenied, 2);
  EXPECT_FALSE(RegisterCompatibilityPersisted(win.registry, win.system));
  EXPECT_TRUE(Persisted(win, u"SIGN=D1FE0 Pelmora.exe"));
  EXPECT_FALSE(Persisted(win, u"SIGN.MEDIA=D1FE0 Pelmora.exe"));
  EXPECT_FALSE(Persisted(win, u"C:\\Setup\\Pelmora.exe"));
  EXPECT_EQ(win.registry.open_handles(), 0u);

  // Create refused, open of the full path works: written there.
  win.faults.clear();
  win.faults.fail("RegCreateKeyExW", platform::kErrorAccessDenied);
  EXPECT_TRUE(RegisterCompatibilityPersisted(win.registry, win.system));
  EXPECT_TRUE(Persisted(win, u"SIGN.MEDIA=D1FE0 Pelmora.exe"));
  // Both refused: failure.
  win.faults.fail("RegCreateKeyExW", platform::kErrorAccessDenied);
  win.faults.fail("RegOpenKeyExW", platform::kErrorAccessDenied, 2);
  EXPECT_FALSE(RegisterCompatibilityPersisted(win.registry, win.system));
  EXPECT_EQ(win.registry.open_handles(), 0u);
}

// The program's start on a simulated Windows, with the services it starts
// the wizard through.
class ProgramStart : public ::testing::Test {
 protected:
  platform::sim::SimWindows win;
  platform::sim::SimMonitorSystem ui;
  InstallerSteps steps;
  StartupServices services{ui};
};

TEST_F(ProgramStart, StartsSocketsAndLockThenRunsTheWizardModally) {
  std::vector<std::string> order;
  CPelmoraApp* app_pointer = nullptr;
  services.create_channel_lock = [&] {
    EXPECT_EQ(ui.common_controls, 1);  // the common controls first
    order.push_back(win.sockets.started() ? "sockets, lock" : "lock");
  };
  services.delete_channel_lock = [&] { order.push_back("unlock"); };
  services.run_modal = [&](platform::DialogLogic& logic) {
    order.push_back("modal");
    EXPECT_EQ(app_pointer->main_window(), static_cast<CPelmoraDlg*>(&logic));
    return 2;
  };
  CPelmoraApp app(win.platform, steps, services);
  app_pointer = &app;
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(app.main_window(), nullptr);
  EXPECT_TRUE(app.channel_lock_created());
  // The wizard was closed before anything was installed.
  EXPECT_EQ(app.ExitInstance(), kExitCancelled);
  EXPECT_EQ(order, (std::vector<std::string>{"sockets, lock", "modal", "unlock"}));
  EXPECT_FALSE(win.sockets.started());
  EXPECT_EQ(ui.common_controls, 1);

  // The process ends with the wizard's code: a user who may not install
  // closes Step 1.
  win.shell.admin = false;
  services.run_modal = [&](platform::DialogLogic& logic) {
    platform::sim::SimDialogHost host(win.clock);
    logic.attach(&host);
    logic.OnInitDialog();
    host.post_close();
    return 2;
  };
  win.processes.end_own_process();  // a new process
  ui.common_controls = 0;
  CPelmoraApp refused(win.platform, steps, services);
  refused.InitInstance();
  EXPECT_EQ(refused.ExitInstance(), kExitNotAdministrator);
}

TEST_F(ProgramStart, HoldsTheRunMutexAndASecondRunEndsAtOnce) {
  std::vector<std::string> order;
  services.run_modal = [&](platform::DialogLogic&) {
    order.push_back(win.sockets.started() ? "sockets, modal" : "modal");
    // For the whole run.
    EXPECT_EQ(win.processes.mutex_holder(kRunMutexName), win.processes.own_id);
    return 2;
  };
  CPelmoraApp first(win.platform, steps, services);
  first.InitInstance();
  EXPECT_EQ(first.ExitInstance(), kExitCancelled);
  EXPECT_EQ(order, (std::vector<std::string>{"sockets, modal"}));
  // Until the process ends, after the wizard has closed.
  EXPECT_EQ(win.processes.mutex_holder(kRunMutexName), win.processes.own_id);

  // A person starts the wizard in session 1 while a deployment run is going
  // on in session 0.
  win.processes.end_own_process();
  const std::uint32_t deployment = win.processes.add_process(u"Pelmora.exe");
  win.processes.hold_mutex_of(deployment, 0, kRunMutexName);
  order.clear();
  const std::u16string log_path = win.shell.temp_folder + u"\\Pelmora.log";
  win.shell.remove_file(log_path);
  CPelmoraApp second(win.platform, steps, services);
  EXPECT_FALSE(second.InitInstance());
  EXPECT_EQ(second.ExitInstance(), kExitAnotherRun);
  EXPECT_EQ(order, std::vector<std::string>{});
  EXPECT_EQ(ui.common_controls, 1);  // the first run's only
  EXPECT_EQ(second.main_window(), nullptr);
  EXPECT_FALSE(second.channel_lock_created());
  ASSERT_EQ(win.desktop.message_boxes().size(), 1u);
  const platform::MessageBoxRecord box = win.desktop.message_boxes()[0];
  EXPECT_EQ(box.text, kAnotherRunText);
  EXPECT_EQ(box.caption, u"Pelmora");
  EXPECT_EQ(box.flags, platform::kMbOk | platform::kMbIconInformation);
  EXPECT_EQ(win.processes.mutex_holder(kRunMutexName), deployment);
  EXPECT_EQ(win.faults.calls("EnumPrintersW"), 0);
  EXPECT_EQ(win.shell.file_contents(log_path),
            "2026-12-09 06:10:00 start Pelmora \"" PELMORA_VERSION_TEXT
            "\": another installation is running, process 3120\r\n"
            "2026-12-09 06:10:00 end Pelmora: another installation is running, exit code 1618, "
            "process 3120\r\n");

  // On a window station nobody sees, neither that box nor the wizard: the
  // reason in the log, and the run mutex is not even asked for.
  win.system.visible_window_station = false;
  win.shell.remove_file(log_path);
  const int mutex_calls = win.faults.calls("CreateMutexW");
  CPelmoraApp unseen(win.platform, steps, services);
  EXPECT_FALSE(unseen.InitInstance());
  EXPECT_EQ(unseen.ExitInstance(), kExitBadCommandLine);
  EXPECT_EQ(order, std::vector<std::string>{});
  EXPECT_EQ(ui.common_controls, 1);
  EXPECT_EQ(win.desktop.shown_ui().size(), 1u);  // the box above, no other
  EXPECT_EQ(win.faults.calls("CreateMutexW"), mutex_calls);
  EXPECT_EQ(win.shell.file_contents(log_path),
            "2026-12-09 06:10:00 start Pelmora \"" PELMORA_VERSION_TEXT
            "\": not shown, nobody can answer a window: the window station is not visible, "
            "process 3120\r\n"
            "2026-12-09 06:10:00 end Pelmora: not shown, exit code 1639, process 3120\r\n");
}

TEST_F(ProgramStart, EndsSilentlyWithoutSockets) {
  bool modal = false, lock = false;
  win.faults.fail("WSAStartup", platform::kWsaSysNotReady);
  services.create_channel_lock = [&] { lock = true; };
  services.run_modal = [&](platform::DialogLogic&) {
    modal = true;
    return 0;
  };
  CPelmoraApp app(win.platform, steps, services);
  EXPECT_FALSE(app.InitInstance());
  EXPECT_FALSE(modal);
  EXPECT_FALSE(lock);
  EXPECT_EQ(app.ExitInstance(), kExitNoSockets);
}

}  // namespace
}  // namespace pelmora::testing
