// The step operations of the shipped installer, on whatever Windows the
// platform stands for.
#pragma once

#include "wizard_steps.h"

namespace pelmora {

class InstallerSteps : public UnavailableWizardSteps {
 public:
  bool RunCleanupStep(CPelmoraDlg& dialog) override;
  bool RemoveStaleUsbDevices(CPelmoraDlg& dialog, int catalogueIndex) override;
  bool RunPreparationStep(CPelmoraDlg& dialog) override;
  void InstallNetworkPrinter(CPelmoraDlg& dialog) override;
};

}  // namespace pelmora
