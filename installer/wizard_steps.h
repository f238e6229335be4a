// The operations the wizard's pages run. The wizard calls them through this
// one interface, so that the step sequence can be driven with stand-ins.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pelmora {

class StepContext;

// What the network printer selection hands back when it ends with OK.
struct NetworkSelection {
  std::u16string address;       // dotted address of the chosen printer
  int portNumber = 0;           // its raw print port
  int detectedModelIndex = -1;  // a catalogue row recognised in its line, or -1
  std::uint32_t productId = 0;  // the USB product id the printer answered with
};

class WizardSteps {
 public:
  virtual ~WizardSteps() = default;
  // Step 1: removes earlier installations; true on success.
  virtual bool RunCleanupStep(StepContext& context) = 0;
  // Step 2: prepares the system and, as its last action, starts the
  // pre-install worker, which enables the Cancel button when it succeeds.
  virtual bool RunPreparationStep(StepContext& context) = 0;
  // Step 3: removes the stale USB device nodes of one catalogue row.
  virtual bool RemoveStaleUsbDevices(StepContext& context, int catalogue_index) = 0;
  // Step 3 on the network: creates the TCP/IP port for the chosen printer and
  // installs the driver and the queue on it. False, with the failure in the
  // status line, when no queue was made on the port.
  virtual bool InstallNetworkPrinter(StepContext& context) = 0;
  // The modal network printer selection; true when it ended with OK.
  virtual bool SelectNetworkPrinter(StepContext& context, std::u16string_view family_name,
                                    std::uint32_t productId, NetworkSelection* selection) = 0;
};

}  // namespace pelmora
