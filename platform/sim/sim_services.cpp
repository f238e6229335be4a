#include "platform_sim/sim_services.h"

#include "platform/util/text.h"

namespace platform::sim {

SimServices::SimServices(Faults& faults) : faults_(faults) { add_service(u"Spooler", true); }

Win32Error SimServices::open_manager(std::uint32_t, ServiceHandle* manager) {
  *manager = 0;
  if (auto e = faults_.check("OpenSCManagerW")) return e;
  std::lock_guard lock(mutex_);
  const ServiceHandle h = next_handle_++;
  handles_[h] = u"";
  *manager = h;
  return kErrorSuccess;
}

Win32Error SimServices::open_service(ServiceHandle manager, std::u16string_view name, std::uint32_t,
                                     ServiceHandle* service) {
  *service = 0;
  if (auto e = faults_.check("OpenServiceW", name)) return e;
  std::lock_guard lock(mutex_);
  auto it = handles_.find(manager);
  if (it == handles_.end() || !it->second.empty()) return kErrorInvalidHandle;
  const std::u16string key = ascii_upper(name);
  if (!services_.count(key)) return kErrorServiceDoesNotExist;
  const ServiceHandle h = next_handle_++;
  handles_[h] = key;
  *service = h;
  return kErrorSuccess;
}

Win32Error SimServices::stop(ServiceHandle service) {
  if (auto e = faults_.check("ControlService")) return e;
  std::lock_guard lock(mutex_);
  auto it = handles_.find(service);
  if (it == handles_.end() || it->second.empty()) return kErrorInvalidHandle;
  Service& s = services_[it->second];
  if (!s.running) return kErrorServiceNotActive;
  s.running = false;
  ++s.stops;
  return kErrorSuccess;
}

Win32Error SimServices::start(ServiceHandle service) {
  if (auto e = faults_.check("StartServiceW")) return e;
  std::lock_guard lock(mutex_);
  auto it = handles_.find(service);
  if (it == handles_.end() || it->second.empty()) return kErrorInvalidHandle;
  Service& s = services_[it->second];
  if (s.running) return kErrorServiceAlreadyRunning;
  s.running = true;
  ++s.starts;
  return kErrorSuccess;
}

Win32Error SimServices::close(ServiceHandle handle) {
  // A close that fails still ends the handle's life.
  const Win32Error injected = faults_.check("CloseServiceHandle");
  std::lock_guard lock(mutex_);
  const bool known = handles_.erase(handle) != 0;
  if (injected) return injected;
  return known ? kErrorSuccess : kErrorInvalidHandle;
}

void SimServices::add_service(std::u16string_view name, bool running) {
  std::lock_guard lock(mutex_);
  services_[ascii_upper(name)] = Service{running, 0, 0};
}

bool SimServices::remove_service(std::u16string_view name) {
  std::lock_guard lock(mutex_);
  return services_.erase(ascii_upper(name)) != 0;
}

SimServices::Service SimServices::service(std::u16string_view name) const {
  std::lock_guard lock(mutex_);
  auto it = services_.find(ascii_upper(name));
  return it == services_.end() ? Service{false, 0, 0} : it->second;
}

bool SimServices::running(std::u16string_view name) const {
  std::lock_guard lock(mutex_);
  auto it = services_.find(ascii_upper(name));
  return it != services_.end() && it->second.running;
}

std::size_t SimServices::open_handles() const {
  std::lock_guard lock(mutex_);
  return handles_.size();
}

}  // namespace platform::sim
