// Services over the system's own calls: the twin of
// platform_sim/sim_services.h, implemented in win32_services.cpp.
#pragma once

#include "platform/services.h"

namespace platform_win32 {

class Win32Services : public platform::Services {
 public:
  platform::Win32Error open_manager(std::uint32_t access,
                                    platform::ServiceHandle* manager) override;
  platform::Win32Error open_service(platform::ServiceHandle manager, std::u16string_view name,
                                    std::uint32_t access,
                                    platform::ServiceHandle* service) override;
  platform::Win32Error stop(platform::ServiceHandle service) override;
  platform::Win32Error start(platform::ServiceHandle service) override;
  platform::Win32Error query_state(platform::ServiceHandle service, std::uint32_t* state) override;
  platform::Win32Error close(platform::ServiceHandle handle) override;
};

}  // namespace platform_win32
