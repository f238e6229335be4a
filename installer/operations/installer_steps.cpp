#include "operations/installer_steps.h"

#include "operations/cleanup.h"
#include "operations/installation.h"
#include "operations/preparation.h"

namespace pelmora {

bool InstallerSteps::RunCleanupStep(StepContext& context) {
  return pelmora::RunCleanupStep(context);
}

bool InstallerSteps::SelectNetworkPrinter(StepContext& context, std::u16string_view family_name,
                                          std::uint32_t productId, NetworkSelection* selection) {
  if (!chooseNetworkPrinter) return false;
  return chooseNetworkPrinter(context, family_name, productId, selection);
}

bool InstallerSteps::RemoveStaleUsbDevices(StepContext& context, int catalogue_index) {
  return pelmora::RemoveStaleUsbDevices(context, catalogue_index);
}

bool InstallerSteps::RunPreparationStep(StepContext& context) {
  return pelmora::RunPreparationStep(context);
}

bool InstallerSteps::InstallNetworkPrinter(StepContext& context) {
  return pelmora::InstallNetworkPrinter(context);
}

}  // namespace pelmora
