// The installer's wizard window: three pages in one dialog, and the small
// state machine that decides what Next does.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "color_static.h"
#include "exit_codes.h"
#include "install_log.h"
#include "operations/model_catalogue.h"
#include "platform/dialog_host.h"
#include "platform/platform.h"
#include "platform/util/message_map.h"
#include "resources/pelmora_ids.h"
#include "step_sequence.h"
#include "window_step_context.h"
#include "wizard_steps.h"

namespace pelmora {

// Dialog template, control, picture and timer numbers, shared with the
// resource script.
// Wizard states (the stored numbers).
inline constexpr int WIZ_PACKAGE_WAIT = 0;
inline constexpr int WIZ_STEP1 = 1;
inline constexpr int WIZ_STEP2 = 2;
inline constexpr int WIZ_STEP3 = 3;
inline constexpr int WIZ_INSTALLING = 4;

class CPelmoraDlg : public platform::DialogLogic, public WindowStepContext {
 public:
  CPelmoraDlg(platform::Platform& platform, WizardSteps& steps);
  // Lets go of the worker's handle; the worker itself may still run.
  ~CPelmoraDlg() override;
  CPelmoraDlg(const CPelmoraDlg&) = delete;
  CPelmoraDlg& operator=(const CPelmoraDlg&) = delete;

  // platform::DialogLogic
  void attach(platform::DialogHost* host) override { host_ = host; }
  bool OnInitDialog() override;
  platform::MessageResult handle_message(const platform::WindowMessage& message) override;

  void ShowStep1Page();
  void ShowStep2Page();
  void ShowStep3Page();
  void OnLanguageChange();
  void OnCancelButton();
  void OnNext();
  void OnNetworkPort();
  void OnScan();
  platform::ConfigRet ScanDevices();
  void OnTimer(std::uintptr_t id);
  bool RefreshPrinterWindows();
  void LoadSettings();
  void OnDestroy();
  // A minimised wizard draws its icon centred; not handled: the default
  // painting.
  platform::MessageResult OnPaint(const platform::WindowMessage& message);

  // The header strip across the top of every page.
  CColorStaticST headerStrip;

  // StepContext: the texts in the chosen language.
  const char16_t* Text(int row) const override;
  // The process's exit code for the way the wizard stands now (exit_codes.h).
  std::uint32_t ExitCode() const;

  int languageIndex = 0;
  unsigned int tickCounter = 0;
  int wizardState = WIZ_STEP1;
  // How the printer was connected: "USB" or "Network <address>".
  std::u16string connection;

 private:
  void SetDetails(int first_row, int second_row);
  void SetButtons();
  void FinishInstallation();
  void ShowInstallationFailure();

  WizardSteps& steps_;
  bool finished_ = false;
  // The page's step failed (or cannot run): closing now is a failed
  // installation, not a cancelled one.
  // The exit code of the step that failed; 0 while none has.
  std::uint32_t failure_ = 0;
};

}  // namespace pelmora
