#include "operations/installer_steps.h"

#include "operations/cleanup.h"

namespace pelmora {

bool InstallerSteps::RunCleanupStep(CPelmoraDlg& dialog) { return pelmora::RunCleanupStep(dialog); }

bool InstallerSteps::RemoveStaleUsbDevices(CPelmoraDlg& dialog, int catalogueIndex) {
  return pelmora::RemoveStaleUsbDevices(dialog, catalogueIndex);
}

}  // namespace pelmora
