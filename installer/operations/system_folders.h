// The folders and file names the installation steps work with, read once
// from the running system.
#pragma once

#include <string>

#include "platform/platform.h"

namespace pelmora {

struct SystemFolders {
  std::u16string windows;       // the Windows folder, "C:\Windows"
  std::u16string programFiles;  // the Program Files folder the installer sees
  std::u16string installer;     // the installer's folder, with its trailing backslash
  bool windows64 = false;       // the installer runs on 64-bit Windows
};

// A 32-bit installer learns it runs on 64-bit Windows from IsWow64Process;
// a 64-bit build of it can only run on 64-bit Windows.
bool IsWindows64(platform::SystemInfo& system);

SystemFolders GetSystemFolders(platform::Platform& platform);

// "amd64" on 64-bit Windows, else "i386": the driver-package tool's folder.
const char16_t* ToolArchitecture(const SystemFolders& folders);

// The installed driver package of catalogue row `row` under Program Files:
// its folder and its INF.
std::u16string InstalledPackageFolder(const SystemFolders& folders, int row);
std::u16string InstalledPackageInf(const SystemFolders& folders, int row);

// The spooler's folder of version-3 drivers for the system's own
// architecture.
std::u16string SpoolDriverFolder(const SystemFolders& folders);

}  // namespace pelmora
