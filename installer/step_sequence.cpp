#include "step_sequence.h"

#include "environment.h"
#include "install_log.h"
#include "operations/cleanup.h"
#include "operations/model_catalogue.h"
#include "operations/step_log.h"
#include "platform/util/format.h"
#include "platform/util/text.h"
#include "resources/pelmora_ids.h"
#include "step_context.h"
#include "wizard_steps.h"

namespace pelmora {

namespace {

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

void LogInstallerStart(StepContext& context, int languageIndex) {
  platform::SystemInfo& system = context.platform().system;
  platform::WindowsVersion version;
  const bool known = system.get_version(&version) == platform::kErrorSuccess;
  const std::u16string windows =
      known ? platform::format(
                  u"Windows %d (%u.%u.%u)",
                  {ClassifyWindowsVersion(version), version.major, version.minor, version.build})
            : std::u16string(u"Windows -1 (unknown)");
  const int model_index = context.modelIndex;
  const std::u16string model =
      model_index >= 0 && model_index < kModelCount
          ? platform::format(u"model %d %s",
                             {model_index, Quoted(ModelCatalogue[model_index].modelName)})
          : platform::format(u"model %d (all models)", {model_index});
  InstallLog& log = context.log();
  log.Write(u"start", u"Pelmora " + Quoted(u"" PELMORA_VERSION_TEXT),
            platform::format(u"%s, WOW64 %s, %s, language %d",
                             {windows, system.is_wow64() ? u"yes" : u"no", model, languageIndex}) +
                log.ProcessSuffix());
}

bool EnterStep1(StepContext& context) {
  platform::Platform& platform = context.platform();
  if (!platform.shell.is_user_an_admin()) {
    context.log().Write(u"step1", u"IsUserAnAdmin",
                        u"failed: not a member of the Administrators group");
    return false;
  }
  RegisterCompatibilityPersisted(platform.registry, platform.system);
  return true;
}

void RemoveStaleDevices(StepContext& context, WizardSteps& steps) {
  int indexes[16];
  const int count = StaleDeviceIndexes(context.modelIndex, indexes);
  for (int i = 0; i < count; ++i)
    RunLogged(
        context, u"step3",
        u"RemoveStaleUsbDevices " + Quoted(platform::to_utf16(UsbHardwareIdPrefix(indexes[i]))),
        [&] { return steps.RemoveStaleUsbDevices(context, indexes[i]); });
}

bool StartNetworkInstall(StepContext& context, WizardSteps& steps) {
  context.log().Write(
      u"step3",
      u"StartInstall " +
          Quoted(u"TCP/IP " + std::u16string(platform::view_of(context.networkAddress))),
      platform::format(u"port %d", {context.networkPortNumber}));
  return RunLogged(context, u"step3", u"InstallNetworkPrinter",
                   [&] { return steps.InstallNetworkPrinter(context); });
}

bool OpenAwaitedQueue(StepContext& context) {
  platform::Spooler& spooler = context.platform().spooler;
  const AwaitedQueueNames queues = GetAwaitedQueueNames(EffectiveModelIndex(context.modelIndex));
  platform::PrinterDefaults defaults{u"RAW", platform::kPrinterAllAccess};
  for (int i = 0; i < queues.count; ++i) {
    platform::ScopedPrinter printer(spooler);
    if (spooler.open_printer(queues.names[i], &defaults, printer.receive()) !=
        platform::kErrorSuccess)
      continue;
    printer.reset();
    context.log().Write(u"step3", u"queue-opened " + Quoted(queues.names[i]), u"ok");
    return true;
  }
  return false;
}

void LogFinished(StepContext& context) {
  context.log().Write(u"step3", u"finished", kClickCloseText);
  context.SetStatusText(kClickCloseText);
}

platform::ConfigRet ScanForDevices(platform::Devices& devices) {
  platform::DevNode root = 0;
  platform::ConfigRet result = devices.locate_root(platform::kCmLocateDevnodeNormal, &root);
  if (result == platform::kCrSuccess)
    result = devices.reenumerate(root, platform::kCmReenumerateRetryInstallation);
  return result;
}

void RefreshPrinterWindows(platform::Platform& platform) {
  platform::Desktop& desktop = platform.desktop;
  if (platform::WindowRef explorer = desktop.find_window_by_class(u"CabinetWClass")) {
    desktop.post_message(explorer, platform::kWmPaint);
    platform.clock.sleep(500);
  }
  for (const char16_t* title : kPrinterWindowTitles) {
    if (platform::WindowRef window = desktop.find_window_by_title(title)) {
      desktop.send_message(window, platform::kWmPaint);
      break;
    }
  }
}

}  // namespace pelmora
