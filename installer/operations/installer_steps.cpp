#include "operations/installer_steps.h"

#include "operations/cleanup.h"
#include "operations/installation.h"
#include "operations/preparation.h"

namespace pelmora {

bool InstallerSteps::RunCleanupStep(StepContext& context) {
  return pelmora::RunCleanupStep(context);
}

bool InstallerSteps::SelectNetworkPrinter(StepContext& context, std::u16string_view familyName,
                                          std::uint32_t productId, NetworkSelection* selection) {
  if (!chooseNetworkPrinter) return false;
  return chooseNetworkPrinter(context, familyName, productId, selection);
}

bool InstallerSteps::RemoveStaleUsbDevices(StepContext& context, int catalogueIndex) {
  return pelmora::RemoveStaleUsbDevices(context, catalogueIndex);
}

bool InstallerSteps::RunPreparationStep(StepContext& context) {
  return pelmora::RunPreparationStep(context);
}

bool InstallerSteps::InstallNetworkPrinter(StepContext& context) {
  return pelmora::InstallNetworkPrinter(context);
}

}  // namespace pelmora
