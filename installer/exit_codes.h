// How the installer's process ends, for whoever started it: a deployment
// tool judges an installation by this code alone, so each code has one
// meaning, the same for the wizard and for an unattended run. Windows'
// own codes where one fits; the log's last line carries the code.
#pragma once

#include <cstdint>

namespace pelmora {

// The printer's queue is there (USB: it appeared; network: made on its
// port), or /remove removed every earlier installation.
inline constexpr std::uint32_t kExitSuccess = 0;  // ERROR_SUCCESS
// Not run by a member of the Administrators group.
inline constexpr std::uint32_t kExitNotAdministrator = 5;  // ERROR_ACCESS_DENIED
// A program the installer started did not end within its limit; it was
// ended.
inline constexpr std::uint32_t kExitChildTimeout = 258;  // WAIT_TIMEOUT
// The print spooler was not running when the run ended.
inline constexpr std::uint32_t kExitSpoolerStopped = 1062;  // ERROR_SERVICE_NOT_ACTIVE
// The network printer was not found, or it is of another family than the
// model's; nothing was changed.
inline constexpr std::uint32_t kExitPrinterNotFound = 1168;  // ERROR_NOT_FOUND
// No print queue appeared within /wait seconds.
inline constexpr std::uint32_t kExitQueueTimeout = 1460;  // ERROR_TIMEOUT
// The user closed the wizard before the installation was complete, with
// no step failed on the page it was closed on.
inline constexpr std::uint32_t kExitCancelled = 1602;  // ERROR_INSTALL_USEREXIT
// Step 1, the removal of earlier installations, failed.
inline constexpr std::uint32_t kExitRemovalFailed = 1603;  // ERROR_INSTALL_FAILURE
// Another run of the installer (the wizard or an unattended run, in any
// session) was going on; this one ended at once, having changed nothing.
// Deployment tools try again later.
inline constexpr std::uint32_t kExitAnotherRun = 1618;  // ERROR_INSTALL_ALREADY_RUNNING
// Step 2, the preparation, failed.
inline constexpr std::uint32_t kExitPreparationFailed = 1627;  // ERROR_FUNCTION_FAILED
// The command line was refused, or nobody can answer and it does not ask
// for an unattended run.
inline constexpr std::uint32_t kExitBadCommandLine = 1639;  // ERROR_INVALID_COMMAND_LINE
// The Standard TCP/IP port was not created.
inline constexpr std::uint32_t kExitPortNotCreated = 1796;  // ERROR_UNKNOWN_PORT
// The driver or the print queue was not installed on the network port.
inline constexpr std::uint32_t kExitQueueNotCreated = 1797;  // ERROR_UNKNOWN_PRINTER_DRIVER
// The driver package could not be pre-installed into the driver store.
inline constexpr std::uint32_t kExitPreinstallFailed = 2001;  // ERROR_BAD_DRIVER
// Installed, but a file in use is replaced only when Windows restarts.
inline constexpr std::uint32_t kExitRebootRequired = 3010;  // ERROR_SUCCESS_REBOOT_REQUIRED
// /usb with /wait 0: the driver package is staged and no printer is
// plugged in yet; Plug and Play installs it when it is.
inline constexpr std::uint32_t kExitStaged = 3012;  // ERROR_PRINTER_NOT_FOUND
// Windows Sockets could not be started; nothing was done.
inline constexpr std::uint32_t kExitNoSockets = 10091;  // WSASYSNOTREADY

// Success (a staged package too) becomes kExitRebootRequired when files
// wait for the restart: the restart is what a deployment tool must act on.
// Every other code stands as it is.
inline constexpr std::uint32_t WithRestart(std::uint32_t code, bool restart_needed) {
  return (code == kExitSuccess || code == kExitStaged) && restart_needed ? kExitRebootRequired
                                                                         : code;
}

}  // namespace pelmora
