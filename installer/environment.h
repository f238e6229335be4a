// Facts about the Windows the installer runs on, and its registration with
// the Program Compatibility Assistant.
#pragma once

#include <cstddef>

#include "platform/registry.h"
#include "platform/system_info.h"

namespace pelmora {

// Small Windows version codes: 3, 4, 5 for Windows 95, 98 and Me; 8 and 9 for
// NT 3 and 4; 10 and 11 for 2000 and XP; 13/15 Vista and Server 2008; 14/16
// Windows 7 and Server 2008 R2; 17/18 Windows 8 and Server 2012; -1 for
// anything else (Server 2003 among them, and every later Windows).
int ClassifyWindowsVersion(const platform::WindowsVersion& version);
// Reads the running system's version; -1 when it cannot be read.
int ClassifyWindowsVersion(platform::SystemInfo& system);

// Writes the installer's folder, with its trailing backslash, into `buffer`
// (at most `capacity` characters including the terminator). A path without a
// backslash stays whole. Always succeeds.
bool GetInstallerDirectory(platform::SystemInfo& system, char16_t* buffer, std::size_t capacity);

// Marks Pelmora.exe as handled for the current user's Program Compatibility
// Assistant, so that Windows shows no prompt after the installer ends.
bool RegisterCompatibilityPersisted(platform::Registry& registry, platform::SystemInfo& system);

}  // namespace pelmora
