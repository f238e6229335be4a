#include "operations/system_folders.h"

#include "environment.h"
#include "operations/model_catalogue.h"
#include "platform/util/format.h"
#include "platform/util/text.h"

namespace pelmora {

bool IsWindows64(platform::SystemInfo& system) {
  return system.is_64bit_process() || system.is_wow64();
}

SystemFolders GetSystemFolders(platform::Platform& platform) {
  SystemFolders folders;
  platform.shell.special_folder(platform::kCsidlWindows, &folders.windows);
  platform.shell.special_folder(platform::kCsidlProgramFiles, &folders.programFiles);
  char16_t directory[260];
  GetInstallerDirectory(platform.system, directory, 260);
  folders.installer = platform::view_of(directory);
  folders.windows64 = IsWindows64(platform.system);
  return folders;
}

const char16_t* ToolArchitecture(const SystemFolders& folders) {
  return folders.windows64 ? u"amd64" : u"i386";
}

std::u16string InstalledPackageFolder(const SystemFolders& folders, int row) {
  return platform::format(u"%s\\%s\\Driver\\%s",
                          {folders.programFiles, ManufacturerFolderName(row), FamilyFileName(row)});
}

std::u16string InstalledPackageInf(const SystemFolders& folders, int row) {
  return platform::format(u"%s\\%s\\Driver\\%s\\%s.inf",
                          {folders.programFiles, ManufacturerFolderName(row), FamilyFileName(row),
                           FamilyFileName(row)});
}

std::u16string SpoolDriverFolder(const SystemFolders& folders) {
  return platform::format(folders.windows64 ? u"%s\\system32\\spool\\drivers\\x64\\3"
                                            : u"%s\\system32\\spool\\drivers\\w32x86\\3",
                          {folders.windows});
}

}  // namespace pelmora
