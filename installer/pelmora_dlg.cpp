#include "pelmora_dlg.h"

#include "environment.h"
#include "localized_text.h"
#include "operations/cleanup.h"
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
    platform::OnCommand<CPelmoraDlg>(IDC_NEXT, platform::kBnClicked, &CPelmoraDlg::OnNext),
    platform::OnCommand<CPelmoraDlg>(IDC_CANCEL_BUTTON, platform::kBnClicked,
                                     &CPelmoraDlg::OnCancelButton),
    platform::OnCommand<CPelmoraDlg>(IDC_SCAN, platform::kBnClicked, &CPelmoraDlg::OnScan),
    platform::OnCommand<CPelmoraDlg>(IDC_LANGUAGE, platform::kCbnSelChange,
                                     &CPelmoraDlg::OnLanguageChange),
    platform::OnCommand<CPelmoraDlg>(IDC_PORT_TCPIP, platform::kBnClicked,
                                     &CPelmoraDlg::OnNetworkPort),
    platform::on_timer_message<CPelmoraDlg>(&CPelmoraDlg::OnTimer),
    platform::on_message<CPelmoraDlg>(platform::kWmDestroy, &CPelmoraDlg::OnDestroy),
    // Handled only while minimised; otherwise the dialog paints.
    platform::on_message<CPelmoraDlg>(platform::kWmPaint, &CPelmoraDlg::OnPaint),
};

// A settings file is a few short lines; anything beyond this is not one and
// is treated like a file that cannot be read.
constexpr std::size_t kMaxSettingsFileBytes = 1 << 20;

constexpr int kProgressTicks = 30;

// Colours as 0x00BBGGRR.
constexpr std::uint32_t kHeaderTextColor = 0x00FFFFFF;
constexpr std::uint32_t kHeaderBackgroundColor = 0x00FF4040;  // red 64, green 64, blue 255

// Shell windows that show the printers, by title, in the order they are tried.
constexpr const char16_t* kPrinterWindowTitles[] = {
    u"장치 및 프린터",     u"프린터 및 팩스", u"Devices and Printers",
    u"Printers and Faxes", u"プリンタと FAX", u"デバイスとプリンター",
};

}  // namespace

int StaleDeviceIndexes(int modelIndex, int indexes[16]) {
  auto pair = [&](int first, int second) {
    indexes[0] = first;
    indexes[1] = second;
    return 2;
  };
  switch (modelIndex) {
    case MODEL_NONE:
      for (int i = 0; i < 16; ++i) indexes[i] = i;
      return 16;
    case 0:
    case 5:
    case 6:
      return pair(0, 6);
    case 2:
    case 8:
      return pair(2, 8);
    case 4:
    case 10:
      return pair(4, 10);
    case 13:
    case 14:
      return pair(13, 14);
    default:
      if (modelIndex < 0 || modelIndex >= kModelCount) return 0;
      indexes[0] = modelIndex;
      return 1;
  }
}

CPelmoraDlg::CPelmoraDlg(platform::Platform& platform, WizardSteps& steps)
    : StepContext(platform.threads),
      platform_(platform),
      steps_(steps),
      log_(std::make_shared<InstallLog>(platform)) {}

CPelmoraDlg::~CPelmoraDlg() = default;

platform::MessageResult CPelmoraDlg::handle_message(const WindowMessage& message) {
  return platform::dispatch_message_map(*this, kMessageMap, message);
}

const char16_t* CPelmoraDlg::Text(int row) const { return GetLocalizedText(row, languageIndex); }

void CPelmoraDlg::SetStatusText(std::u16string_view text) {
  ++statusWrites_;
  host_->set_text(IDC_STATUS, text);
}

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
  LogStart();
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

void CPelmoraDlg::LogStart() {
  platform::WindowsVersion version;
  const bool known = platform_.system.get_version(&version) == platform::kErrorSuccess;
  const std::u16string windows =
      known ? platform::format(
                  u"Windows %d (%u.%u.%u)",
                  {ClassifyWindowsVersion(version), version.major, version.minor, version.build})
            : std::u16string(u"Windows -1 (unknown)");
  const std::u16string model =
      modelIndex >= 0 && modelIndex < kModelCount
          ? platform::format(u"model %d %s",
                             {modelIndex, Quoted(ModelCatalogue[modelIndex].modelName)})
          : platform::format(u"model %d (all models)", {modelIndex});
  log_->Write(u"start", u"Pelmora " + Quoted(u"" PELMORA_VERSION_TEXT),
              platform::format(
                  u"%s, WOW64 %s, %s, language %d",
                  {windows, platform_.system.is_wow64() ? u"yes" : u"no", model, languageIndex}) +
                  log_->ProcessSuffix());
}

void CPelmoraDlg::LoadSettings() {
  std::string contents;
  const bool readable = platform_.shell.read_file(kSettingsFileName, kMaxSettingsFileBytes,
                                                  &contents) == platform::kErrorSuccess;
  settingsFileFound = readable;
  const Settings settings =
      ParseSettings(readable ? &contents : nullptr, platform_.system.argument_text());
  languageIndex = settings.languageIndex;
  modelIndex = settings.modelIndex;
  if (commandLineModel >= 0 && commandLineModel <= MODEL_NONE) modelIndex = commandLineModel;
}

void CPelmoraDlg::ShowStep1Page() {
  wizardState = WIZ_STEP1;
  host_->set_text(IDC_HEADER, Text(kTextStep1Header));
  host_->set_bitmap(IDC_PICTURE, IDB_STEP1);
  if (!platform_.shell.is_user_an_admin()) {
    log_->Write(u"step1", u"IsUserAnAdmin", u"failed: not a member of the Administrators group");
    failure_ = kExitNotAdministrator;
    host_->set_text(IDC_DETAILS, Text(kTextNeedAdministrator));
    host_->enable(IDC_NEXT, false);
    return;
  }
  RegisterCompatibilityPersisted(platform_.registry, platform_.system);
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
      int indexes[16];
      const int count = StaleDeviceIndexes(modelIndex, indexes);
      for (int i = 0; i < count; ++i)
        RunLogged(
            *this, u"step3",
            u"RemoveStaleUsbDevices " + Quoted(platform::to_utf16(UsbHardwareIdPrefix(indexes[i]))),
            [&] { return steps_.RemoveStaleUsbDevices(*this, indexes[i]); });
      // StartInstall: the timers take over from here.
      tickCounter = 0;
      wizardState = WIZ_INSTALLING;
      if (host_->is_checked(IDC_PORT_USB)) {
        connection = u"USB";
        log_->Write(u"step3", u"StartInstall \"USB\"", u"ok");
        host_->set_timer(TIMER_QUEUE_POLL, 1000);
      } else {
        connection = u"Network " + std::u16string(platform::view_of(networkAddress));
        log_->Write(u"step3",
                    u"StartInstall " +
                        Quoted(u"TCP/IP " + std::u16string(platform::view_of(networkAddress))),
                    platform::format(u"port %d", {networkPortNumber}));
        // No queue on the port: the user is told at once, not offered Close
        // as if a printer had been installed.
        if (RunLogged(*this, u"step3", u"InstallNetworkPrinter",
                      [this] { return steps_.InstallNetworkPrinter(*this); }))
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
  // A printer named by its id or address is looked up directly, past the
  // list's family filter. Nobody checks the choice of an unattended run: a
  // printer of another family would get a driver that is not its own, so
  // it counts as not found.
  const bool other_family =
      chosen && unattended &&
      !IsSameProductFamily(selection.productId, ModelCatalogue[effective].productId);
  if (other_family)
    log_->Write(u"step3", u"select-printer " + Quoted(selection.address),
                platform::format(u"refused: a printer of another family (product %04X, expected "
                                 u"%04X)",
                                 {selection.productId, ModelCatalogue[effective].productId}));
  if (!chosen || other_family) {
    host_->set_check(IDC_PORT_USB, true);
    host_->set_check(IDC_PORT_TCPIP, false);
    return;
  }
  platform::copy_truncated(networkAddress, selection.address);
  networkPortNumber = selection.portNumber;
  if (selection.detectedModelIndex >= 1 && selection.detectedModelIndex <= 14)
    modelIndex = selection.detectedModelIndex;
}

platform::ConfigRet CPelmoraDlg::ScanDevices() {
  platform::DevNode root = 0;
  platform::ConfigRet result =
      platform_.devices.locate_root(platform::kCmLocateDevnodeNormal, &root);
  if (result == platform::kCrSuccess)
    result = platform_.devices.reenumerate(root, platform::kCmReenumerateRetryInstallation);
  return result;
}

void CPelmoraDlg::OnScan() { ScanDevices(); }

void CPelmoraDlg::FinishInstallation() {
  finished_ = true;
  log_->Write(u"step3", u"finished", kClickCloseText);
  host_->enable(IDC_CANCEL_BUTTON, false);
  host_->enable(IDC_NEXT, true);
  // The status line takes the radio buttons' place, so the user sees what to
  // do next on both paths.
  host_->show(IDC_PORT_USB, false);
  host_->show(IDC_PORT_TCPIP, false);
  host_->show(IDC_STATUS, true);
  SetStatusText(kClickCloseText);
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
    const AwaitedQueueNames queues = GetAwaitedQueueNames(EffectiveModelIndex(modelIndex));
    platform::PrinterDefaults defaults{u"RAW", platform::kPrinterAllAccess};
    for (int i = 0; i < queues.count; ++i) {
      platform::ScopedPrinter printer(platform_.spooler);
      if (platform_.spooler.open_printer(queues.names[i], &defaults, printer.receive()) !=
          platform::kErrorSuccess)
        continue;
      printer.reset();
      log_->Write(u"step3", u"queue-opened " + Quoted(queues.names[i]), u"ok");
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
  platform::Desktop& desktop = platform_.desktop;
  if (platform::WindowRef explorer = desktop.find_window_by_class(u"CabinetWClass")) {
    desktop.post_message(explorer, platform::kWmPaint);
    platform_.clock.sleep(500);
  }
  for (const char16_t* title : kPrinterWindowTitles) {
    if (platform::WindowRef window = desktop.find_window_by_title(title)) {
      desktop.send_message(window, platform::kWmPaint);
      break;
    }
  }
  return true;
}

void CPelmoraDlg::PumpMessages() { host_->pump_messages(); }

void CPelmoraDlg::OnDestroy() {
  // An unattended run marks its success itself, once it knows its code.
  if (finished_ && !unattended)
    WriteSuccessMarker(platform_, *log_, u"end", {modelIndex, connection, ExitCode()});
  std::u16string outcome = u"installation complete";
  if (!finished_) {
    const std::u16string_view ended = unattended ? u"stopped" : u"closed";
    switch (wizardState) {
      case WIZ_STEP1:
        outcome = unattended ? u"stopped in Step 1" : u"closed on the Step 1 page";
        break;
      case WIZ_STEP2:
        outcome = unattended ? u"stopped in Step 2" : u"closed on the Step 2 page";
        break;
      case WIZ_PACKAGE_WAIT:
        outcome = std::u16string(ended) + u" while the driver package was pre-installed";
        break;
      case WIZ_STEP3:
        outcome = unattended ? u"stopped in Step 3" : u"closed on the Step 3 page";
        break;
      default:
        outcome =
            std::u16string(ended) + (failure_ != 0 ? u" after the printer's installation failed"
                                                   : u" before the printer's queue appeared");
        break;
    }
  }
  log_->Write(u"end", u"Pelmora",
              outcome + log_->ExitCodeSuffix(ExitCode()) + log_->ProcessSuffix());
  headerStrip.OnDestroy();
}

}  // namespace pelmora
