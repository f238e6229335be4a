// The service control manager, for stopping and starting the print spooler.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/util/scoped.h"
#include "platform/win_error.h"

namespace platform {

using ServiceHandle = std::uintptr_t;

inline constexpr std::uint32_t kScManagerAllAccess = 0xF003F;
inline constexpr std::uint32_t kServiceAllAccess = 0xF01FF;

inline constexpr Win32Error kErrorServiceDoesNotExist = 1060;
inline constexpr Win32Error kErrorServiceAlreadyRunning = 1056;
inline constexpr Win32Error kErrorServiceRequestTimeout = 1053;
inline constexpr Win32Error kErrorDependentServicesRunning = 1051;
inline constexpr Win32Error kErrorServiceCannotAcceptCtrl = 1061;

// A service's current state (SERVICE_STATUS.dwCurrentState).
inline constexpr std::uint32_t kServiceStopped = 1;
inline constexpr std::uint32_t kServiceStartPending = 2;
inline constexpr std::uint32_t kServiceStopPending = 3;
inline constexpr std::uint32_t kServiceRunning = 4;

class Services {
 public:
  virtual ~Services() = default;
  // OpenSCManagerW on the local machine's active database; on failure
  // *manager is 0.
  virtual Win32Error open_manager(std::uint32_t access, ServiceHandle* manager) = 0;
  // OpenServiceW; on failure *service is 0.
  virtual Win32Error open_service(ServiceHandle manager, std::u16string_view name,
                                  std::uint32_t access, ServiceHandle* service) = 0;
  // ControlService with SERVICE_CONTROL_STOP. Returns at once; the service
  // stops by itself shortly after (the callers wait). Refused while it is
  // stopping (kErrorServiceCannotAcceptCtrl), once stopped
  // (kErrorServiceNotActive) and while a service that depends on it is not
  // stopped (kErrorDependentServicesRunning).
  virtual Win32Error stop(ServiceHandle service) = 0;
  // StartServiceW without arguments.
  virtual Win32Error start(ServiceHandle service) = 0;
  // QueryServiceStatus: the service's current state (kServiceStopped ...).
  virtual Win32Error query_state(ServiceHandle service, std::uint32_t* state) = 0;
  // CloseServiceHandle, for service and manager handles alike.
  virtual Win32Error close(ServiceHandle handle) = 0;
};

// A service or manager handle, closed when it goes out of scope.
using ScopedService = Scoped<Services, ServiceHandle, &Services::close>;

}  // namespace platform
