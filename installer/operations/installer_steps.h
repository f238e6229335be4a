// The step operations of the shipped installer, on whatever Windows the
// platform stands for.
#pragma once

#include <functional>

#include "wizard_steps.h"

namespace pelmora {

class InstallerSteps : public WizardSteps {
 public:
  bool RunCleanupStep(CPelmoraDlg& dialog) override;
  bool RemoveStaleUsbDevices(CPelmoraDlg& dialog, int catalogueIndex) override;
  bool RunPreparationStep(CPelmoraDlg& dialog) override;
  bool InstallNetworkPrinter(CPelmoraDlg& dialog) override;
  bool SelectNetworkPrinter(CPelmoraDlg& dialog, std::u16string_view familyName,
                            std::uint32_t productId, NetworkSelection* selection) override;

  // The network printer selection (its dialog needs the printer searches,
  // which live beside the installer's core); without one nothing is chosen.
  using NetworkPrinterChooser =
      std::function<bool(CPelmoraDlg& dialog, std::u16string_view familyName,
                         std::uint32_t productId, NetworkSelection* selection)>;
  NetworkPrinterChooser chooseNetworkPrinter;
};

}  // namespace pelmora
