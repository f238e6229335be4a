#include "wizard_steps.h"

#include "pelmora_dlg.h"

namespace pelmora {

bool UnavailableWizardSteps::RunCleanupStep(CPelmoraDlg& dialog) {
  dialog.SetStatusText(kStepNotAvailableText);
  return false;
}

bool UnavailableWizardSteps::RunPreparationStep(CPelmoraDlg& dialog) {
  dialog.SetStatusText(kStepNotAvailableText);
  return false;
}

bool UnavailableWizardSteps::RemoveStaleUsbDevices(CPelmoraDlg&, int) { return false; }

bool UnavailableWizardSteps::InstallNetworkPrinter(CPelmoraDlg& dialog) {
  dialog.SetStatusText(kStepNotAvailableText);
  return false;
}

bool UnavailableWizardSteps::SelectNetworkPrinter(CPelmoraDlg& dialog, std::u16string_view,
                                                  std::uint32_t, NetworkSelection*) {
  dialog.host().message_box(kStepNotAvailableText, u"Pelmora", platform::kMbOk);
  return false;
}

}  // namespace pelmora
