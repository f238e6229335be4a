// Drives the wizard on a simulated Windows: controls are records, timers
// fire as the test advances virtual time, and the step operations are
// stand-ins that succeed, fail, or never signal completion.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "localized_text.h"
#include "pelmora_dlg.h"
#include "platform/util/text.h"
#include "platform_sim/sim_dialog_host.h"
#include "platform_sim/sim_windows.h"
#include "support/sim_step_context.h"

namespace pelmora::testing {

class FakeSteps : public WizardSteps {
 public:
  bool RunCleanupStep(StepContext& dialog) override {
    calls.push_back("cleanup");
    if (during_cleanup) during_cleanup(dialog);
    dialog.SetStatusText(u"cleanup ran");
    return cleanup_result;
  }
  bool RunPreparationStep(StepContext&) override {
    calls.push_back("preparation");
    return preparation_result;
  }
  bool RemoveStaleUsbDevices(StepContext&, int index) override {
    stale_removed.push_back(index);
    return true;
  }
  bool InstallNetworkPrinter(StepContext& dialog) override {
    calls.push_back("network install");
    installed_address = platform::view_of(dialog.networkAddress);
    installed_port = dialog.networkPortNumber;
    if (!install_result) dialog.SetStatusText(u"install failed");
    return install_result;
  }
  bool SelectNetworkPrinter(StepContext&, std::u16string_view family, std::uint32_t product,
                            NetworkSelection* out) override {
    calls.push_back("select");
    selection_family = family;
    selection_product = product;
    *out = selection;
    return selection_ok;
  }

  bool cleanup_result = true;
  bool preparation_result = true;
  bool install_result = true;
  std::function<void(StepContext&)> during_cleanup;
  bool selection_ok = true;
  NetworkSelection selection;
  std::vector<std::string> calls;
  std::vector<int> stale_removed;
  std::u16string installed_address;
  int installed_port = 0;
  std::u16string selection_family;
  std::uint32_t selection_product = 0;
};

// Where the program compatibility assistant keeps its marks for the user.
inline constexpr char16_t kAssistant[] =
    u"Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility Assistant";
inline constexpr char16_t kPersisted[] =
    u"Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility "
    u"Assistant\\Persisted";
inline bool Persisted(platform::sim::SimWindows& win, std::u16string_view name) {
  return win.registry.value(platform::kHkeyCurrentUser, kPersisted, name, nullptr);
}

using test_support::OpenInTemplate;

// The wizard with stand-in steps on a simulated Windows, opened in its
// template (the caption, the hidden Scan button, the ten languages of the
// combo box's initialisation data) and driven as its window would be.
struct StandInWizard {
  explicit StandInWizard(platform::sim::SimWindows& win)
      : host(win.clock), dialog(win.platform, steps) {
    OpenInTemplate(host, dialog);
  }
  void Click(int control) {
    dialog.handle_message(platform::WindowMessage::command(control, platform::kBnClicked));
  }
  void Run(std::uint64_t ms) {
    host.run_for(ms, [this](const platform::WindowMessage& m) { return dialog.handle_message(m); });
  }

  platform::sim::SimDialogHost host;
  FakeSteps steps;
  CPelmoraDlg dialog;
};

// The simulated Windows comes first, so that the wizard can be made on it.
struct OwnWindows {
  platform::sim::SimWindows win;
};

class WizardTest : public ::testing::Test, protected OwnWindows, protected StandInWizard {
 protected:
  using StandInWizard::Run;  // not ::testing::Test::Run
  // An administrator's profile with the compatibility assistant.
  WizardTest() : StandInWizard(win) {
    win.registry.put_dword(platform::kHkeyCurrentUser, kAssistant, u"Marker", 1);
  }

  void WriteSettings(const std::string& text) {
    win.shell.put_file(u"C:\\Setup\\Pelmora.ini", text);
  }
  void Start() { ASSERT_TRUE(dialog.OnInitDialog()); }
  void ChooseLanguage(int index) {
    host.combo_select(IDC_LANGUAGE, index);
    dialog.handle_message(platform::WindowMessage::command(IDC_LANGUAGE, platform::kCbnSelChange));
  }
  // An auto radio button checks itself, clears its sibling, then notifies.
  void ClickTcpIp() {
    host.set_check(IDC_PORT_TCPIP, true);
    host.set_check(IDC_PORT_USB, false);
    Click(IDC_PORT_TCPIP);
  }
  // The same, with the printer the selection dialog will answer with.
  void ClickTcpIp(NetworkSelection chosen) {
    steps.selection = std::move(chosen);
    ClickTcpIp();
  }
  std::u16string Text(int row, int language = 0) { return GetLocalizedText(row, language); }
  std::u16string Status() { return host.text(IDC_STATUS); }

  // Runs the wizard to Step 3 with stand-in steps that succeed; the worker
  // signals after three seconds.
  void AdvanceToStep3() {
    Start();
    Click(IDC_NEXT);
    Click(IDC_NEXT);
    Run(3000);
    host.enable(IDC_CANCEL_BUTTON, true);
    Run(1000);
    ASSERT_EQ(dialog.wizardState, WIZ_STEP3);
  }
};

}  // namespace pelmora::testing
