// Simulated SetupAPI INF calls over the simulated file system: the INF
// folder is the Windows folder's "INF", and INF text is read by the same
// rules SetupAPI follows (InfFile), so the same INF files serve the tests on
// Linux and the programs under Wine.
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "platform/setup_api.h"
#include "platform_sim/faults.h"
#include "platform_sim/inf_reader.h"
#include "platform_sim/sim_system.h"

namespace platform::sim {

class SimSetupApi : public SetupApi {
 public:
  SimSetupApi(Faults& faults, SimShell& shell, const SimSystemInfo& system);

  Win32Error get_inf_file_list(std::u16string_view folder, std::uint32_t style,
                               std::u16string* list) override;
  Win32Error open_inf(std::u16string_view name, std::uint32_t style, InfHandle* inf) override;
  void close_inf(InfHandle inf) override;
  Win32Error get_source_info(InfHandle inf, std::uint32_t disk, std::uint32_t info,
                             std::size_t capacity, std::u16string* text) override;
  Win32Error uninstall_oem_inf(std::u16string_view name, std::uint32_t flags) override;
  Win32Error copy_oem_inf(std::u16string_view source, std::u16string* destination_name) override;

  // Wine's SetupGetInfFileListW lists no name when it is given no folder
  // (a list of its closing zero alone); Windows lists its INF folder.
  bool lists_nothing_without_folder = false;

  std::u16string inf_folder() const;
  std::size_t open_handles() const;
  // The OEM INF files of the INF folder, by name.
  std::vector<std::u16string> oem_infs() const;

 private:
  Faults& faults_;
  SimShell& shell_;
  const SimSystemInfo& system_;
  mutable std::mutex mutex_;
  std::map<InfHandle, InfFile> handles_;
  InfHandle next_handle_ = 0x5000;
};

// Whether an INF's [Version] signature makes it a Windows 4 style INF.
bool is_win4_signature(std::u16string_view signature);

}  // namespace platform::sim
