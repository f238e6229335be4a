// The service control manager (Win32Services).
#include "platform_win32/win32_services.h"

#include "platform_win32/windows_api.h"

namespace platform_win32 {

using platform::Win32Error;

namespace {

SC_HANDLE as_service(platform::ServiceHandle handle) { return reinterpret_cast<SC_HANDLE>(handle); }

}  // namespace

Win32Error Win32Services::open_manager(std::uint32_t access, platform::ServiceHandle* manager) {
  if (manager == nullptr) return platform::kErrorInvalidParameter;
  *manager = 0;
  SC_HANDLE h = OpenSCManagerW(nullptr, nullptr, access);
  if (h == nullptr) return last_error();
  *manager = reinterpret_cast<platform::ServiceHandle>(h);
  return platform::kErrorSuccess;
}

Win32Error Win32Services::open_service(platform::ServiceHandle manager, std::u16string_view name,
                                       std::uint32_t access, platform::ServiceHandle* service) {
  if (service == nullptr) return platform::kErrorInvalidParameter;
  *service = 0;
  SC_HANDLE h = OpenServiceW(as_service(manager), to_wide(name).c_str(), access);
  if (h == nullptr) return last_error();
  *service = reinterpret_cast<platform::ServiceHandle>(h);
  return platform::kErrorSuccess;
}

Win32Error Win32Services::stop(platform::ServiceHandle service) {
  SERVICE_STATUS status{};
  if (!ControlService(as_service(service), SERVICE_CONTROL_STOP, &status)) return last_error();
  return platform::kErrorSuccess;
}

Win32Error Win32Services::start(platform::ServiceHandle service) {
  if (!StartServiceW(as_service(service), 0, nullptr)) return last_error();
  return platform::kErrorSuccess;
}

Win32Error Win32Services::query_state(platform::ServiceHandle service, std::uint32_t* state) {
  if (state == nullptr) return platform::kErrorInvalidParameter;
  *state = 0;
  SERVICE_STATUS status{};
  if (!QueryServiceStatus(as_service(service), &status)) return last_error();
  *state = status.dwCurrentState;
  return platform::kErrorSuccess;
}

Win32Error Win32Services::close(platform::ServiceHandle handle) {
  if (!CloseServiceHandle(as_service(handle))) return last_error();
  return platform::kErrorSuccess;
}

}  // namespace platform_win32
