// Step 1 of the wizard: removal of every trace of an earlier installation of
// the selected model (or of every catalogue model when none was chosen), and
// the removal of the model's stale USB device nodes at the start of Step 3.
// Every operation runs on the wizard's thread, writes its progress and
// failure texts into the wizard's status line and returns a success flag.
#pragma once

#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace pelmora {

class StepContext;
class InstallLog;

bool RunCleanupStep(StepContext& context);
bool RemovePrinters(StepContext& context);
bool RemoveDrivers(StepContext& context);
bool RemoveMonitors(StepContext& context);
bool RemoveDriverPackages(StepContext& context);
bool DeleteDriverFiles(StepContext& context);
bool RemoveInfFiles(StepContext& context);
bool DeleteUtilityFiles(StepContext& context);
bool RemoveStaleUsbDevices(StepContext& context, int modelIndex);

// Deletes a file (DeleteFileW) and logs it in `area`, as "delete-file" (a
// file that was not there is not logged). A file in use (a running program,
// a loaded library, a file open without delete sharing) is deleted when
// Windows next starts (MoveFileExW with MOVEFILE_DELAY_UNTIL_REBOOT): the
// log says so and the context notes that a restart is needed.
void DeleteFileOrAtRestart(StepContext& context, std::u16string_view area,
                           const std::u16string& path);
// Copies `from` over `to` (CopyFileW). A target in use is replaced when
// Windows next starts: the new file is copied beside it as "<to>.new" and
// moved over it then (MOVEFILE_DELAY_UNTIL_REBOOT |
// MOVEFILE_REPLACE_EXISTING), and the context notes that a restart is
// needed. Returns the text of the log's result; *waits tells whether the
// file waits for the restart.
std::u16string CopyFileOrAtRestart(StepContext& context, const std::u16string& from,
                                   const std::u16string& to, bool* waits = nullptr);
// Whether an error of DeleteFileW or CopyFileW means the file is in use.
bool IsFileInUse(platform::Win32Error error);

// The processes whose first module is named exactly `name`.
std::vector<std::uint32_t> ProcessIdsByName(platform::Processes& processes,
                                            std::u16string_view name);
// Asks a running monitor to end: WM_CLOSE posted to its tray window (a
// hidden dialog titled "Tessaly"), on which it removes its tray icon and its
// mouse hook and ends. Waits, in steps of kMonitorCloseStepMs on the
// platform's clock, up to kMonitorCloseWaitMs for every Tessaly.exe to be
// gone; true when none is left. The request and its outcome go into `log`
// when given.
bool CloseTessaly(platform::Platform& platform, InstallLog* log = nullptr);
inline constexpr std::uint32_t kMonitorCloseWaitMs = 5000;
inline constexpr std::uint32_t kMonitorCloseStepMs = 100;
// Asks the monitor to close (CloseTessaly), then terminates what is left of
// it and removes its Run value. Each termination and the Run value's
// removal go into `log` when given.
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
void ReportApiError(StepContext& context, std::u16string_view function, platform::Win32Error code);

// The first hardware id of the USB device nodes of a model index: exactly 21
// characters, compared without regard to case.
const char* UsbHardwareIdPrefix(int modelIndex);
inline constexpr std::size_t kUsbHardwareIdPrefixLength = 21;

inline constexpr char16_t kRestartSpoolerFailedText[] =
    u"RestartSpooler() : Fail to restart spooler";
inline constexpr char16_t kMonitorModuleName[] = u"Tessaly.exe";
// The title of the monitor's hidden tray window (its dialog template's
// caption).
inline constexpr char16_t kMonitorWindowTitle[] = u"Tessaly";
inline constexpr char16_t kRunKey[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char16_t kMonitorRunValue[] = u"Tessaly";
inline constexpr char16_t kMonitorsKey[] = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors";

}  // namespace pelmora
