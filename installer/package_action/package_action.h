// What the Windows Installer package asks of Pelmora.exe: its deferred
// custom actions (PelmoraAction.dll) run the installer's unattended mode
// from the installed folder and turn its exit code into the package's
// result. The logic here is the part that needs no Windows.
//
// The package hands its public properties to the action as one text,
// fields separated by "|" (a character no path, model or printer id holds):
//
//   INSTALLDIR|CONNECTION|MODEL|PRINTER|WAIT|LOG
//
// CONNECTION is "USB" or "NETWORK" (any case); MODEL 0..15, or "all" (every
// model, which the installer takes only for a removal); PRINTER goes with
// NETWORK; WAIT (seconds) with USB; LOG is the installer's log file. Empty
// fields are not passed on. The installer checks the values themselves: an
// unknown model ends it with 1639, and the package fails.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pelmora {

struct PackageRequest {
  std::u16string folder;  // the installed folder, with or without its last backslash
  std::u16string connection;
  std::u16string model;
  std::u16string printer;
  std::u16string wait;
  std::u16string log;
};

// Splits the action's data into its six fields; false when it has not six.
bool ParsePackageRequest(std::u16string_view data, PackageRequest* request);

// The installer's command line (program path first, every value quoted)
// for an installation, or false with the reason when the request cannot be
// one (no or an unknown CONNECTION, NETWORK without PRINTER, a value with a
// double quote).
bool InstallCommandLine(const PackageRequest& request, std::u16string* command,
                        std::u16string* error);
// The command line that removes what the package installed: the model the
// success marker names (0..15).
std::u16string RemoveCommandLine(std::u16string_view folder, std::uint32_t model,
                                 std::u16string_view log);

// What the package makes of the installer's exit code.
enum class PackageOutcome { Success, Restart, Failure };
PackageOutcome OutcomeOf(std::uint32_t exit_code);

// How long the action waits for the installer: the installer's own /wait,
// plus time for its three steps. After it the installer is ended and the
// package fails.
std::uint32_t InstallerWaitLimitMs(const PackageRequest& request);

}  // namespace pelmora
