// The key a deployment tool detects a completed installation by. A run that
// installed the printer (or staged its driver package) writes it as its
// last act; a run that starts removing earlier installations deletes it
// first, so a run that fails after that leaves none; /remove leaves none.
//
//   HKEY_LOCAL_MACHINE\SOFTWARE\Orvane\Pelmora\Installation
//     Version     REG_SZ     "2.0.0"
//     Model       REG_DWORD  the catalogue row, 16 for every model
//     Connection  REG_SZ     "USB" or "Network <printer>"
//     ExitCode    REG_DWORD  0, 3010 or 3012
//     Time        REG_SZ     "2026-12-09 06:11:02", local time
//
// The installer is a 32-bit program: on 64-bit Windows the key lies in the
// registry's 32-bit view (SOFTWARE\WOW6432Node\Orvane\Pelmora\Installation
// to a 64-bit tool).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace pelmora {

class InstallLog;

inline constexpr char16_t kSuccessMarkerKey[] = u"SOFTWARE\\Orvane\\Pelmora\\Installation";

struct SuccessMarker {
  int model = 0;
  std::u16string connection;
  std::uint32_t exitCode = 0;
};

// Writes the key with its five values; the log says whether it could.
platform::Win32Error WriteSuccessMarker(platform::Platform& platform, InstallLog& log,
                                        std::u16string_view area, const SuccessMarker& marker);
// Deletes the key when it is there; a key that is not there is no failure.
platform::Win32Error DeleteSuccessMarker(platform::Platform& platform, InstallLog& log,
                                         std::u16string_view area);

}  // namespace pelmora
