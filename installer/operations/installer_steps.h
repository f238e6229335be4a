// The step operations of the shipped installer, on whatever Windows the
// platform stands for.
#pragma once

#include <functional>

#include "wizard_steps.h"

namespace pelmora {

class InstallerSteps : public WizardSteps {
 public:
  bool RunCleanupStep(StepContext& context) override;
  bool RemoveStaleUsbDevices(StepContext& context, int catalogue_index) override;
  bool RunPreparationStep(StepContext& context) override;
  bool InstallNetworkPrinter(StepContext& context) override;
  bool SelectNetworkPrinter(StepContext& context, std::u16string_view family_name,
                            std::uint32_t productId, NetworkSelection* selection) override;

  // The network printer selection (its dialog needs the printer searches,
  // which live beside the installer's core); without one nothing is chosen.
  using NetworkPrinterChooser =
      std::function<bool(StepContext& context, std::u16string_view family_name,
                         std::uint32_t productId, NetworkSelection* selection)>;
  NetworkPrinterChooser chooseNetworkPrinter;
};

}  // namespace pelmora
