// A simulated service control manager: services by name with their state and
// a count of stops and starts. "Spooler" is there and running.
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "platform/services.h"
#include "platform_sim/faults.h"

namespace platform::sim {

class SimServices : public Services {
 public:
  explicit SimServices(Faults& faults);

  Win32Error open_manager(std::uint32_t access, ServiceHandle* manager) override;
  Win32Error open_service(ServiceHandle manager, std::u16string_view name, std::uint32_t access,
                          ServiceHandle* service) override;
  Win32Error stop(ServiceHandle service) override;
  Win32Error start(ServiceHandle service) override;
  Win32Error close(ServiceHandle handle) override;

  struct Service {
    bool running = true;
    int stops = 0;
    int starts = 0;
  };
  void add_service(std::u16string_view name, bool running);
  bool remove_service(std::u16string_view name);
  Service service(std::u16string_view name) const;
  bool running(std::u16string_view name) const;
  std::size_t open_handles() const;

 private:
  Faults& faults_;
  mutable std::mutex mutex_;
  std::map<std::u16string, Service> services_;       // by upper-cased name
  std::map<ServiceHandle, std::u16string> handles_;  // empty name: the manager
  ServiceHandle next_handle_ = 0x4000;
};

}  // namespace platform::sim
