// The installer's wizard window: three pages in one dialog, and the small
// state machine that decides what Next does.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dialog_host.h"
#include "platform/message_map.h"
#include "platform/platform.h"
#include "wizard_steps.h"

namespace pelmora {

// Dialog template and control ids.
inline constexpr int IDD_PELMORA_DIALOG = 102;
inline constexpr int IDC_HEADER = 1012;
inline constexpr int IDC_STATUS = 1013;
inline constexpr int IDC_NEXT = 1016;
inline constexpr int IDC_CANCEL_BUTTON = 1017;
inline constexpr int IDC_DETAILS = 1018;
inline constexpr int IDC_PROGRESS = 1019;
inline constexpr int IDC_SCAN = 1020;
inline constexpr int IDC_PICTURE = 1022;
inline constexpr int IDC_LANGUAGE = 1024;
inline constexpr int IDC_PORT_USB = 1026;
inline constexpr int IDC_PORT_TCPIP = 1027;

inline constexpr int IDB_STEP1 = 132;
inline constexpr int IDB_STEP2 = 133;
inline constexpr int IDB_STEP3 = 134;

// Wizard states (the stored numbers).
inline constexpr int WIZ_PACKAGE_WAIT = 0;
inline constexpr int WIZ_STEP1 = 1;
inline constexpr int WIZ_STEP2 = 2;
inline constexpr int WIZ_STEP3 = 3;
inline constexpr int WIZ_INSTALLING = 4;

// Window timers.
inline constexpr std::uint32_t TIMER_PACKAGE_WAIT = 111111;
inline constexpr std::uint32_t TIMER_QUEUE_POLL = 999999;
inline constexpr std::uint32_t TIMER_NETWORK_FINISH = 222222;

inline constexpr char16_t kClickCloseText[] = u"Click Close";

class CPelmoraDlg : public platform::DialogLogic {
 public:
  CPelmoraDlg(platform::Platform& platform, WizardSteps& steps);

  // platform::DialogLogic
  void attach(platform::DialogHost* host) override { host_ = host; }
  bool OnInitDialog() override;
  bool handle_message(const platform::WindowMessage& message) override;

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
  void PumpMessages();
  void LoadSettings();

  // What the step operations use.
  platform::Platform& platform() { return platform_; }
  platform::DialogHost& host() { return *host_; }
  void SetStatusText(std::u16string_view text);
  const char16_t* Text(int row) const;

  int languageIndex = 0;
  int modelIndex = 16;
  unsigned int tickCounter = 0;
  char16_t networkAddress[32] = {};
  int networkPortNumber = 0;
  int wizardState = WIZ_STEP1;

 private:
  void SetDetails(int first_row, int second_row);
  void SetButtons();
  void FinishInstallation();

  platform::Platform& platform_;
  WizardSteps& steps_;
  platform::DialogHost* host_ = nullptr;
};

// The catalogue rows whose stale USB device nodes Step 3 removes for a model.
int StaleDeviceIndexes(int modelIndex, int indexes[16]);

}  // namespace pelmora
