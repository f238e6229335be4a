// SetupAPI's INF calls over setupapi.dll: the twin of
// platform_sim/sim_setup_api.h.
#pragma once

#include "platform/setup_api.h"

namespace platform_win32 {

class Win32SetupApi : public platform::SetupApi {
 public:
  platform::Win32Error get_inf_file_list(std::u16string_view folder, std::uint32_t style,
                                         std::u16string* list) override;
  platform::Win32Error open_inf(std::u16string_view name, std::uint32_t style,
                                platform::InfHandle* inf) override;
  void close_inf(platform::InfHandle inf) override;
  platform::Win32Error get_source_info(platform::InfHandle inf, std::uint32_t disk,
                                       std::uint32_t info, std::size_t capacity,
                                       std::u16string* text) override;
  platform::Win32Error uninstall_oem_inf(std::u16string_view name, std::uint32_t flags) override;
  platform::Win32Error copy_oem_inf(std::u16string_view source,
                                    std::u16string* destination_name) override;
};

}  // namespace platform_win32
