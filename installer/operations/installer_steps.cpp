#include "operations/installer_steps.h"

#include "operations/cleanup.h"
#include "operations/installation.h"
#include "operations/preparation.h"

namespace pelmora {

bool InstallerSteps::RunCleanupStep(CPelmoraDlg& dialog) { return pelmora::RunCleanupStep(dialog); }

bool InstallerSteps::SelectNetworkPrinter(CPelmoraDlg& dialog, std::u16string_view familyName,
                                          std::uint32_t productId, NetworkSelection* selection) {
  if (!chooseNetworkPrinter) return false;
  return chooseNetworkPrinter(dialog, familyName, productId, selection);
}

bool InstallerSteps::RemoveStaleUsbDevices(CPelmoraDlg& dialog, int catalogueIndex) {
  return pelmora::RemoveStaleUsbDevices(dialog, catalogueIndex);
}

bool InstallerSteps::RunPreparationStep(CPelmoraDlg& dialog) {
  return pelmora::RunPreparationStep(dialog);
}

bool InstallerSteps::InstallNetworkPrinter(CPelmoraDlg& dialog) {
  return pelmora::InstallNetworkPrinter(dialog);
}

}  // namespace pelmora
