// Facts about the running Windows and the running program.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win_error.h"

namespace platform {

// The parts of OSVERSIONINFOEXW the programs look at.
struct WindowsVersion {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::uint32_t platform_id = 0;  // 1: Windows 9x family, 2: NT family
  std::uint8_t product_type = 0;  // 1: workstation, 2: domain controller, 3: server
};

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  // GetVersionExW with the extended record.
  virtual Win32Error get_version(WindowsVersion* version) = 0;
  // IsWow64Process of the current process: a 32-bit program on 64-bit Windows.
  virtual bool is_wow64() = 0;
  // Whether the program itself is a 64-bit build (then Windows is 64-bit
  // although is_wow64() is false).
  virtual bool is_64bit_process() = 0;
  // Full path of the program's own executable (GetModuleFileNameW).
  virtual std::u16string module_file_name() = 0;
  // The system's message text for an error code (FormatMessageW), without the
  // trailing line break; empty when the system has none.
  virtual std::u16string error_message(Win32Error code) = 0;
  // The program's argument text: the command line after the program name.
  virtual std::u16string argument_text() = 0;
  // The Remote Desktop Services session the program runs in
  // (ProcessIdToSessionId of the current process): 0 is the session of
  // services and of SYSTEM, where nobody sees a window.
  virtual std::uint32_t session_id() = 0;
  // Whether the program runs as the LocalSystem account (its token's user
  // is S-1-5-18), which a deployment tool may start in a user's session.
  virtual Win32Error is_local_system(bool* system) = 0;
  // Whether the process's window station is visible: GetProcessWindowStation,
  // then GetUserObjectInformationW with UOI_FLAGS and its WSF_VISIBLE flag.
  // The interactive station (WinSta0) is; a service's own station, which
  // the programs it starts inherit, is not, and nobody sees a window there.
  // On failure *visible is false.
  virtual Win32Error window_station_visible(bool* visible) = 0;
};

}  // namespace platform
