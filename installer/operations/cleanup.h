// Step 1 of the wizard: removal of every trace of an earlier installation of
// the selected model (or of every catalogue model when none was chosen), and
// the removal of the model's stale USB device nodes at the start of Step 3.
// Every operation runs on the wizard's thread, writes its progress and
// failure texts into the wizard's status line and returns a success flag.
#pragma once

#include <string_view>

#include "platform/platform.h"

namespace pelmora {

class CPelmoraDlg;
class InstallLog;

bool RunCleanupStep(CPelmoraDlg& dialog);
bool RemovePrinters(CPelmoraDlg& dialog);
bool RemoveDrivers(CPelmoraDlg& dialog);
bool RemoveMonitors(CPelmoraDlg& dialog);
bool RemoveDriverPackages(CPelmoraDlg& dialog);
bool DeleteDriverFiles(CPelmoraDlg& dialog);
bool RemoveInfFiles(CPelmoraDlg& dialog);
bool DeleteUtilityFiles(CPelmoraDlg& dialog);
bool RemoveStaleUsbDevices(CPelmoraDlg& dialog, int modelIndex);

// Each termination and the Run value's removal go into `log` when given.
bool KillTessaly(platform::Platform& platform, InstallLog* log = nullptr);
// Ends every process whose first module is named exactly `name`; the result
// is that of the last termination tried (false when none was).
bool TerminateProcessByName(platform::Processes& processes, std::u16string_view name,
                            InstallLog* log = nullptr);
// Stops the Spooler service and starts it again. The wizard waits 2 s
// after each; an unattended run waits for the service's state instead, up
// to kSpoolerStateLimitMs, asking every kSpoolerStatePollMs.
bool RestartSpooler(platform::Platform& platform, bool unattended);
inline constexpr std::uint32_t kSpoolerStateLimitMs = 60000;
inline constexpr std::uint32_t kSpoolerStatePollMs = 250;
// The spooler's state once it has left a pending one (or the limit has
// passed); kErrorSuccess when it could be read.
platform::Win32Error SettledSpoolerState(platform::Platform& platform, std::uint32_t* state);
// "%s() failed with error %08X: %s" with the system's text of the code.
void ReportApiError(CPelmoraDlg& dialog, std::u16string_view function, platform::Win32Error code);

// The first hardware id of the USB device nodes of a model index: exactly 21
// characters, compared without regard to case.
const char* UsbHardwareIdPrefix(int modelIndex);
inline constexpr std::size_t kUsbHardwareIdPrefixLength = 21;

inline constexpr char16_t kRestartSpoolerFailedText[] =
    u"RestartSpooler() : Fail to restart spooler";
inline constexpr char16_t kMonitorModuleName[] = u"Tessaly.exe";
inline constexpr char16_t kRunKey[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char16_t kMonitorRunValue[] = u"Tessaly";
inline constexpr char16_t kMonitorsKey[] = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors";

}  // namespace pelmora
