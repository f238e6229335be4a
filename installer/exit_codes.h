// How the installer's process ends, for whoever started it (a deployment
// tool judges an installation by this alone). The Windows Installer's codes
// where one fits.
#pragma once

namespace pelmora {

// The printer's queue was made (USB: it appeared; network: made on its
// port), and the wizard was closed.
inline constexpr int kExitCompleted = 0;  // ERROR_SUCCESS
// The user closed the wizard before the installation was complete, with no
// step failed on the page it was closed on.
inline constexpr int kExitCancelled = 1602;  // ERROR_INSTALL_USEREXIT
// A step failed: the wizard was closed on a failed Step 1 or Step 2 or on
// the failure of the network installation, the driver package's
// pre-install failed, the user is no administrator, or Windows Sockets
// could not be started.
inline constexpr int kExitFailed = 1603;  // ERROR_INSTALL_FAILURE
// Another run of the installer (the wizard or an unattended run) was going
// on when this one started; it ended at once, having changed nothing. The
// same code ends an unattended run; deployment tools try again later.
inline constexpr int kExitAnotherRun = 1618;  // ERROR_INSTALL_ALREADY_RUNNING

}  // namespace pelmora
