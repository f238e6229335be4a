// Waiting for a program the installer started: never without a limit. A
// program still running when its limit is reached is ended, and its step
// fails (a run that nobody watches would otherwise wait for ever).
#pragma once

#include <cstdint>
#include <string_view>

#include "install_log.h"
#include "platform/processes.h"

namespace pelmora {

// DIFxCmd /p and /u: the driver store checks the package's signature and
// catalogue and, for /u, removes the package from every device using it;
// that takes seconds, minutes on a slow or busy machine.
inline constexpr std::uint32_t kDriverToolLimitMs = 10 * 60 * 1000;
// rundll32 printui.dll,PrintUIEntry /ia: installs the driver through the
// spooler, which copies its files and may restart the driver's modules.
inline constexpr std::uint32_t kPrintUiLimitMs = 10 * 60 * 1000;
// A process that has been ended goes within moments.
inline constexpr std::uint32_t kEndedChildLimitMs = 30 * 1000;

// Waits up to `limit_ms` for `process`, started by the command line
// `command`. A process still running then is ended (with exit code 258),
// the log says so in `area` and notes it (InstallLog::ProgramEnded), and
// the result is false; otherwise true, also when the wait itself failed
// (the exit code read next says what it can).
bool WaitForChild(platform::Processes& processes, platform::ProcessHandle process,
                  std::uint32_t limit_ms, InstallLog& log, std::u16string_view area,
                  std::u16string_view command);

}  // namespace pelmora
