// What the wizard's pages and the unattended run both do around the step
// operations, with the same log lines: the start line, Step 1's
// administrator check, Step 3's stale device nodes and its network
// installation, the look for the printer's queue, the device scan and the
// refresh of the shell's printer windows.
#pragma once

#include "platform/platform.h"

namespace pelmora {

class StepContext;
class WizardSteps;

inline constexpr char16_t kClickCloseText[] = u"Click Close";

// The catalogue rows whose stale USB device nodes Step 3 removes for a model.
int StaleDeviceIndexes(int modelIndex, int indexes[16]);

// "start Pelmora": the version, Windows, WOW64, the model and the language.
void LogInstallerStart(StepContext& context, int languageIndex);
// Step 1 runs only for an administrator: false, and logged, for anyone
// else; true once the installer is registered with the compatibility
// assistant.
bool EnterStep1(StepContext& context);
// Step 3's start: the stale USB device nodes of the model's rows removed,
// each removal logged.
void RemoveStaleDevices(StepContext& context, WizardSteps& steps);
// Step 3's start on the network: the chosen printer logged, then its port,
// driver and queue; false when no queue was made on the port.
bool StartNetworkInstall(StepContext& context, WizardSteps& steps);
// Whether one of the model's queues opens; logged when one does.
bool OpenAwaitedQueue(StepContext& context);
// The printer is installed: logged, and "Click Close" in the status line.
void LogFinished(StepContext& context);
// Plug and Play looks for new devices from the root of the device tree.
platform::ConfigRet ScanForDevices(platform::Devices& devices);
// Makes the shell's open printer windows show the new queue.
void RefreshPrinterWindows(platform::Platform& platform);

}  // namespace pelmora
