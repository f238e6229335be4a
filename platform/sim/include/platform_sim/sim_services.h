// A simulated service control manager: services by name with their state,
// the services each depends on, and a count of stops and starts. "Spooler"
// is there and running.
//
// As on Windows, a stop is a request: the service is STOP_PENDING for its
// stop time (virtual, on the simulated clock) and stopped after. While it is
// stopping, another stop is refused with ERROR_SERVICE_CANNOT_ACCEPT_CTRL
// and a start with ERROR_SERVICE_ALREADY_RUNNING; while a service that
// depends on it is not stopped, a stop is refused with
// ERROR_DEPENDENT_SERVICES_RUNNING. Starting a service starts the stopped
// services it depends on first.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/services.h"
#include "platform_sim/faults.h"

namespace platform::sim {

class SimServices : public Services {
 public:
  SimServices(Faults& faults, Clock& clock);

  Win32Error open_manager(std::uint32_t access, ServiceHandle* manager) override;
  Win32Error open_service(ServiceHandle manager, std::u16string_view name, std::uint32_t access,
                          ServiceHandle* service) override;
  Win32Error stop(ServiceHandle service) override;
  Win32Error start(ServiceHandle service) override;
  Win32Error query_state(ServiceHandle service, std::uint32_t* state) override;
  Win32Error close(ServiceHandle handle) override;

  enum class State { Stopped, StopPending, Running };
  // How long a service stays STOP_PENDING once told to stop, unless said
  // otherwise: the spooler takes a moment to finish its work.
  static constexpr std::uint32_t kDefaultStopMs = 300;
  struct Service {
    State state = State::Running;
    int stops = 0;
    int starts = 0;
    std::vector<std::u16string> dependencies;  // the services it needs running
    std::uint32_t stop_ms = kDefaultStopMs;
    std::uint64_t stopped_at = 0;  // on the clock, while STOP_PENDING
  };
  void add_service(std::u16string_view name, bool running,
                   std::vector<std::u16string> dependencies = {},
                   std::uint32_t stop_ms = kDefaultStopMs);
  bool remove_service(std::u16string_view name);
  // The service as it is now (a pending stop whose time has come is done).
  Service service(std::u16string_view name) const;
  bool running(std::u16string_view name) const;
  std::size_t open_handles() const;

 private:
  // Brings pending stops whose time has come to an end.
  void settle() const;
  Win32Error start_locked(const std::u16string& key, int depth);

  Faults& faults_;
  Clock& clock_;
  mutable std::mutex mutex_;
  mutable std::map<std::u16string, Service> services_;  // by upper-cased name
  std::map<ServiceHandle, std::u16string> handles_;     // empty name: the manager
  ServiceHandle next_handle_ = 0x4000;
};

}  // namespace platform::sim
