#include "platform_sim/sim_services.h"

#include "platform/util/text.h"

namespace platform::sim {

namespace {

constexpr Win32Error kErrorServiceDependencyFail = 1068;

}  // namespace

SimServices::SimServices(Faults& faults, Clock& clock) : faults_(faults), clock_(clock) {
  add_service(u"Spooler", true);
}

void SimServices::settle() const {
  const std::uint64_t now = clock_.now_ms();
  for (auto& [name, s] : services_)
    if (s.state == State::StopPending && now >= s.stopped_at) s.state = State::Stopped;
}

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
  settle();
  Service& s = services_[it->second];
  if (s.state == State::Stopped) return kErrorServiceNotActive;
  if (s.state == State::StopPending) return kErrorServiceCannotAcceptCtrl;
  for (const auto& [name, other] : services_) {
    if (other.state == State::Stopped) continue;
    for (const auto& dependency : other.dependencies)
      if (ascii_upper(dependency) == it->second) return kErrorDependentServicesRunning;
  }
  s.state = State::StopPending;
  s.stopped_at = clock_.now_ms() + s.stop_ms;
  ++s.stops;
  settle();
  return kErrorSuccess;
}

Win32Error SimServices::start(ServiceHandle service) {
  if (auto e = faults_.check("StartServiceW")) return e;
  std::lock_guard lock(mutex_);
  auto it = handles_.find(service);
  if (it == handles_.end() || it->second.empty()) return kErrorInvalidHandle;
  settle();
  return start_locked(it->second, 0);
}

Win32Error SimServices::start_locked(const std::u16string& key, int depth) {
  Service& s = services_[key];
  // A stopping service is still there: it cannot be started again yet.
  if (s.state != State::Stopped) return kErrorServiceAlreadyRunning;
  for (const auto& dependency : s.dependencies) {
    const std::u16string other = ascii_upper(dependency);
    if (depth > 16 || !services_.count(other)) return kErrorServiceDependencyFail;
    const Win32Error started = start_locked(other, depth + 1);
    if (started != kErrorSuccess && started != kErrorServiceAlreadyRunning)
      return kErrorServiceDependencyFail;
    if (services_[other].state != State::Running) return kErrorServiceDependencyFail;
  }
  s.state = State::Running;
  ++s.starts;
  return kErrorSuccess;
}

Win32Error SimServices::query_state(ServiceHandle service, std::uint32_t* state) {
  if (state == nullptr) return kErrorInvalidParameter;
  *state = 0;
  if (auto e = faults_.check("QueryServiceStatus")) return e;
  std::lock_guard lock(mutex_);
  auto it = handles_.find(service);
  if (it == handles_.end() || it->second.empty()) return kErrorInvalidHandle;
  settle();
  switch (services_[it->second].state) {
    case State::Running:
      *state = kServiceRunning;
      break;
    case State::StopPending:
      *state = kServiceStopPending;
      break;
    case State::Stopped:
      *state = kServiceStopped;
      break;
  }
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

void SimServices::add_service(std::u16string_view name, bool running,
                              std::vector<std::u16string> dependencies, std::uint32_t stop_ms) {
  std::lock_guard lock(mutex_);
  Service s;
  s.state = running ? State::Running : State::Stopped;
  s.dependencies = std::move(dependencies);
  s.stop_ms = stop_ms;
  services_[ascii_upper(name)] = std::move(s);
}

bool SimServices::remove_service(std::u16string_view name) {
  std::lock_guard lock(mutex_);
  return services_.erase(ascii_upper(name)) != 0;
}

SimServices::Service SimServices::service(std::u16string_view name) const {
  std::lock_guard lock(mutex_);
  settle();
  auto it = services_.find(ascii_upper(name));
  if (it != services_.end()) return it->second;
  Service none;
  none.state = State::Stopped;
  return none;
}

bool SimServices::running(std::u16string_view name) const {
  std::lock_guard lock(mutex_);
  settle();
  auto it = services_.find(ascii_upper(name));
  return it != services_.end() && it->second.state == State::Running;
}

std::size_t SimServices::open_handles() const {
  std::lock_guard lock(mutex_);
  return handles_.size();
}

}  // namespace platform::sim
