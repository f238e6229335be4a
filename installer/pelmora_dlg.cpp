#include "pelmora_dlg.h"

#include "localized_text.h"
#include "operations/model_catalogue.h"
#include "operations/step_log.h"
#include "platform/util/format.h"
#include "platform/util/icon_origin.h"
#include "platform/util/text.h"
#include "settings.h"
#include "success_marker.h"

namespace pelmora {

namespace {

using platform::WindowMessage;

const platform::MessageMapEntry<CPelmoraDlg> kMessageMap[] = {
    platform::on_command<CPelmoraDlg>(IDC_NEXT, platform::kBnClicked, &CPelmoraDlg::OnNext),
    platform::on_command<CPelmoraDlg>(IDC_CANCEL_BUTTON, platform::kBnClicked,
                                      &CPelmoraDlg::OnCancelButton),
    platform::on_command<CPelmoraDlg>(IDC_SCAN, platform::kBnClicked, &CPelmoraDlg::OnScan),
    platform::on_command<CPelmoraDlg>(IDC_LANGUAGE, platform::kCbnSelChange,
                                      &CPelmoraDlg::OnLanguageChange),
    platform::on_command<CPelmoraDlg>(IDC_PORT_TCPIP, platform::kBnClicked,
                                      &CPelmoraDlg::OnNetworkPort),
    platform::on_timer_message<CPelmoraDlg>(&CPelmoraDlg::OnTimer),
    platform::on_message<CPelmoraDlg>(platform::kWmDestroy, &CPelmoraDlg::OnDestroy),
    // Handled only while minimised; otherwise the dialog paints.
    platform::on_message<CPelmoraDlg>(platform::kWmPaint, &CPelmoraDlg::OnPaint),
};

constexpr int kProgressTicks = 30;

// Colours as 0x00BBGGRR.
constexpr std::uint32_t kHeaderTextColor = 0x00FFFFFF;
constexpr std::uint32_t kHeaderBackgroundColor = 0x00FF4040;  // red 64, green 64, blue 255

}  // namespace

CPelmoraDlg::CPelmoraDlg(platform::Platform& platform, WizardSteps& steps)
    : WindowStepContext(platform), steps_(steps) {}

CPelmoraDlg::~CPelmoraDlg() = default;

platform::MessageResult CPelmoraDlg::handle_message(const WindowMessage& message) {
  return platform::dispatch_message_map(*this, kMessageMap, message);
}

const char16_t* CPelmoraDlg::Text(int row) const { return GetLocalizedText(row, languageIndex); }

void CPelmoraDlg::SetDetails(int first_row, int second_row) {
  host_->set_text(IDC_DETAILS,
                  platform::format(u"\r\n  %s\r\n\r\n  %s", {Text(first_row), Text(second_row)}));
}

void CPelmoraDlg::SetButtons() {
  host_->set_text(IDC_CANCEL_BUTTON, Text(kTextCancel));
  host_->set_text(IDC_NEXT, Text(kTextNext));
}

bool CPelmoraDlg::OnInitDialog() {
  host_->set_icon(IDI_PELMORA);
  if (platform_.system.is_wow64()) host_->set_title(u"Pelmora - WOW64");
  host_->show(IDC_PORT_USB, false);
  host_->show(IDC_PORT_TCPIP, false);
  LoadSettings();
  LogInstallerStart(*this, languageIndex);
  host_->combo_select(IDC_LANGUAGE, languageIndex);
  if (modelIndex < MODEL_NONE)
    host_->set_title(platform::format(u"Pelmora  -  %s", {GetTitleFamilyName(modelIndex)}));
  // The header strip: a white bold title on a fixed blue, whatever the
  // system colours are.
  headerStrip.Attach(host_, IDC_HEADER);
  headerStrip.SetBkColor(kHeaderBackgroundColor);
  headerStrip.SetTextColor(kHeaderTextColor);
  // The title in the dialog's own face, which serves the desk's language.
  host_->set_dialog_face_font(IDC_HEADER, 16, 700);
  for (const int picture : {IDB_STEP1, IDB_STEP2, IDB_STEP3}) host_->load_bitmap(picture);
  ShowStep1Page();
  return true;
}

platform::MessageResult CPelmoraDlg::OnPaint(const WindowMessage&) {
  if (!host_->is_minimized()) return {false, 0};
  int client_width = 0, client_height = 0, icon_width = 0, icon_height = 0;
  host_->icon_paint_sizes(&client_width, &client_height, &icon_width, &icon_height);
  const platform::IconOrigin at =
      platform::centered_icon_origin(client_width, client_height, icon_width, icon_height);
  host_->paint_icon(at.x, at.y);
  return {true, 0};
}

void CPelmoraDlg::LoadSettings() {
  const Settings settings = ReadSettings(platform_.shell, platform_.system.argument_text());
  languageIndex = settings.languageIndex;
  modelIndex = settings.modelIndex;
}

void CPelmoraDlg::ShowStep1Page() {
  wizardState = WIZ_STEP1;
  host_->set_text(IDC_HEADER, Text(kTextStep1Header));
  host_->set_bitmap(IDC_PICTURE, IDB_STEP1);
  if (!EnterStep1(*this)) {
    failure_ = kExitNotAdministrator;
    host_->set_text(IDC_DETAILS, Text(kTextNeedAdministrator));
    host_->enable(IDC_NEXT, false);
    return;
  }
  SetDetails(kTextStep1Details, kTextStep1Unplug);
  SetStatusText(Text(kTextStep1Status));
  SetButtons();
}

void CPelmoraDlg::ShowStep2Page() {
  wizardState = WIZ_STEP2;
  host_->set_text(IDC_HEADER, Text(kTextStep2Header));
  host_->set_bitmap(IDC_PICTURE, IDB_STEP2);
  SetDetails(kTextStep2Details, kTextStep2ClickNext);
  SetStatusText(Text(kTextStep2Status));
  SetButtons();
}

void CPelmoraDlg::ShowStep3Page() {
  wizardState = WIZ_STEP3;
  host_->enable(IDC_NEXT, true);
  host_->set_text(IDC_HEADER, Text(kTextStep3Header));
  host_->set_bitmap(IDC_PICTURE, IDB_STEP3);
  SetDetails(kTextStep3Details, kTextStep3PlugIn);
  host_->show(IDC_STATUS, false);
  host_->show(IDC_PORT_USB, true);
  host_->show(IDC_PORT_TCPIP, true);
  host_->set_check(IDC_PORT_USB, true);
  host_->set_check(IDC_PORT_TCPIP, false);
  SetButtons();
}

void CPelmoraDlg::OnLanguageChange() {
  if (wizardState != WIZ_STEP1) return;
  const int selection = host_->combo_selection(IDC_LANGUAGE);
  if (selection < 0 || selection >= kLanguageCount) return;  // nothing selected
  languageIndex = selection;
  ShowStep1Page();
}

void CPelmoraDlg::OnCancelButton() { host_->post_close(); }

void CPelmoraDlg::OnNext() {
  switch (wizardState) {
    case WIZ_STEP1: {
      host_->enable(IDC_CANCEL_BUTTON, false);
      host_->enable(IDC_NEXT, false);
      host_->show(IDC_LANGUAGE, false);
      failure_ = RunLogged(*this, u"step1", u"RunCleanupStep",
                           [this] { return steps_.RunCleanupStep(*this); })
                     ? 0
                     : kExitRemovalFailed;
      if (failure_ == 0) ShowStep2Page();
      host_->enable(IDC_CANCEL_BUTTON, true);
      host_->enable(IDC_NEXT, true);
      break;
    }
    case WIZ_STEP2:
      // The Cancel button stays disabled until the pre-install worker enables
      // it: that is its only way of saying it succeeded.
      host_->enable(IDC_CANCEL_BUTTON, false);
      host_->enable(IDC_NEXT, false);
      failure_ = RunLogged(*this, u"step2", u"RunPreparationStep",
                           [this] { return steps_.RunPreparationStep(*this); })
                     ? 0
                     : kExitPreparationFailed;
      if (failure_ == 0) {
        wizardState = WIZ_PACKAGE_WAIT;
        tickCounter = 2;
        host_->set_timer(TIMER_PACKAGE_WAIT, 1000);
      }
      break;
    case WIZ_PACKAGE_WAIT:
      ShowStep3Page();
      break;
    case WIZ_STEP3: {
      host_->enable(IDC_CANCEL_BUTTON, true);
      host_->enable(IDC_NEXT, false);
      host_->set_text(IDC_CANCEL_BUTTON, Text(kTextCancel));
      host_->set_text(IDC_NEXT, Text(kTextClose));
      host_->enable(IDC_PORT_USB, false);
      host_->enable(IDC_PORT_TCPIP, false);
      RemoveStaleDevices(*this, steps_);
      // StartInstall: the timers take over from here.
      tickCounter = 0;
      wizardState = WIZ_INSTALLING;
      if (host_->is_checked(IDC_PORT_USB)) {
        connection = u"USB";
        log_->Write(u"step3", u"StartInstall \"USB\"", u"ok");
        host_->set_timer(TIMER_QUEUE_POLL, 1000);
      } else {
        connection = u"Network " + std::u16string(platform::view_of(networkAddress));
        // No queue on the port: the user is told at once, not offered Close
        // as if a printer had been installed.
        if (StartNetworkInstall(*this, steps_))
          host_->set_timer(TIMER_NETWORK_FINISH, 500);
        else
          ShowInstallationFailure();
      }
      break;
    }
    default:
      host_->post_close();
      break;
  }
}

void CPelmoraDlg::OnNetworkPort() {
  if (host_->is_checked(IDC_PORT_USB)) return;
  const int effective = EffectiveModelIndex(modelIndex);
  NetworkSelection selection;
  const bool chosen =
      steps_.SelectNetworkPrinter(*this, GetSelectionFamilyName(effective),
                                  ModelCatalogue[effective].productId, &selection) &&
      !selection.address.empty();
  if (!chosen) {
    host_->set_check(IDC_PORT_USB, true);
    host_->set_check(IDC_PORT_TCPIP, false);
    return;
  }
  platform::copy_truncated(networkAddress, selection.address);
  networkPortNumber = selection.portNumber;
  if (selection.detectedModelIndex >= 1 && selection.detectedModelIndex <= 14)
    modelIndex = selection.detectedModelIndex;
}

platform::ConfigRet CPelmoraDlg::ScanDevices() { return ScanForDevices(platform_.devices); }

void CPelmoraDlg::OnScan() { ScanDevices(); }

void CPelmoraDlg::FinishInstallation() {
  finished_ = true;
  host_->enable(IDC_CANCEL_BUTTON, false);
  host_->enable(IDC_NEXT, true);
  // The status line takes the radio buttons' place, so the user sees what to
  // do next on both paths.
  host_->show(IDC_PORT_USB, false);
  host_->show(IDC_PORT_TCPIP, false);
  host_->show(IDC_STATUS, true);
  LogFinished(*this);
}

void CPelmoraDlg::ShowInstallationFailure() {
  failure_ = kExitQueueNotCreated;
  host_->enable(IDC_CANCEL_BUTTON, false);
  host_->enable(IDC_NEXT, true);
  // The failure takes the radio buttons' place, where "Click Close" would
  // have been.
  host_->show(IDC_PORT_USB, false);
  host_->show(IDC_PORT_TCPIP, false);
  host_->show(IDC_STATUS, true);
}

std::uint32_t CPelmoraDlg::ExitCode() const {
  if (finished_) return WithRestart(kExitSuccess, restartNeeded);
  return failure_ != 0 ? failure_ : kExitCancelled;
}

void CPelmoraDlg::OnTimer(std::uintptr_t id) {
  host_->progress_range(IDC_PROGRESS, 0, kProgressTicks);
  if (id == TIMER_PACKAGE_WAIT) {
    if (tickCounter < kProgressTicks) {
      host_->progress_position(IDC_PROGRESS, static_cast<int>(tickCounter));
      ++tickCounter;
    }
    if (host_->is_enabled(IDC_CANCEL_BUTTON)) {
      host_->kill_timer(TIMER_PACKAGE_WAIT);
      host_->progress_position(IDC_PROGRESS, kProgressTicks);
      platform_.clock.sleep(2000);
      host_->progress_position(IDC_PROGRESS, 0);
      OnNext();
    }
    return;
  }
  if (id == TIMER_NETWORK_FINISH) {
    if (tickCounter == 0) RefreshPrinterWindows();
    ++tickCounter;
    if (tickCounter < kProgressTicks + 1)
      host_->progress_position(IDC_PROGRESS, static_cast<int>(tickCounter));
    if (tickCounter == kProgressTicks) {
      host_->kill_timer(TIMER_NETWORK_FINISH);
      FinishInstallation();
    }
    return;
  }
  if (id == TIMER_QUEUE_POLL) {
    if (OpenAwaitedQueue(*this)) {
      host_->kill_timer(TIMER_QUEUE_POLL);
      host_->progress_position(IDC_PROGRESS, kProgressTicks);
      FinishInstallation();
      RefreshPrinterWindows();
      return;
    }
    // Let Plug and Play install the just-plugged printer from the
    // pre-installed package.
    OnScan();
  }
}

bool CPelmoraDlg::RefreshPrinterWindows() {
  pelmora::RefreshPrinterWindows(platform_);
  return true;
}

void CPelmoraDlg::OnDestroy() {
  if (finished_) WriteSuccessMarker(platform_, *log_, u"end", {modelIndex, connection, ExitCode()});
  std::u16string outcome = u"installation complete";
  if (!finished_) {
    switch (wizardState) {
      case WIZ_STEP1:
        outcome = u"closed on the Step 1 page";
        break;
      case WIZ_STEP2:
        outcome = u"closed on the Step 2 page";
        break;
      case WIZ_PACKAGE_WAIT:
        outcome = u"closed while the driver package was pre-installed";
        break;
      case WIZ_STEP3:
        outcome = u"closed on the Step 3 page";
        break;
      default:
        outcome = failure_ != 0 ? u"closed after the printer's installation failed"
                                : u"closed before the printer's queue appeared";
        break;
    }
  }
  log_->Write(u"end", u"Pelmora",
              outcome + log_->ExitCodeSuffix(ExitCode()) + log_->ProcessSuffix());
  headerStrip.OnDestroy();
}

}  // namespace pelmora
