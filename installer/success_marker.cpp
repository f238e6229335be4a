#include "success_marker.h"

#include "install_log.h"
#include "resources/pelmora_ids.h"

namespace pelmora {

platform::Win32Error WriteSuccessMarker(platform::Platform& platform, InstallLog& log,
                                        std::u16string_view area, const SuccessMarker& marker) {
  platform::Win32Error error = platform::kErrorSuccess;
  {
    platform::ScopedRegKey key(platform.registry);
    error = platform.registry.create_key(platform::kHkeyLocalMachine, kSuccessMarkerKey,
                                         platform::kKeyAllAccess, key.receive());
    if (error == platform::kErrorSuccess)
      error = platform.registry.set_string(key.get(), u"Version", u"" PELMORA_VERSION_TEXT);
    if (error == platform::kErrorSuccess)
      error = platform.registry.set_dword(key.get(), u"Model",
                                          static_cast<std::uint32_t>(marker.model));
    if (error == platform::kErrorSuccess)
      error = platform.registry.set_string(key.get(), u"Connection", marker.connection);
    if (error == platform::kErrorSuccess)
      error = platform.registry.set_dword(key.get(), u"ExitCode", marker.exitCode);
    if (error == platform::kErrorSuccess)
      error = platform.registry.set_string(key.get(), u"Time",
                                           FormatTimestamp(platform.clock.local_time()));
  }
  // A half-written key would be detected as an installation.
  if (error != platform::kErrorSuccess)
    platform.registry.delete_key(platform::kHkeyLocalMachine, kSuccessMarkerKey);
  log.Write(area, u"success-marker " + Quoted(kSuccessMarkerKey),
            error == platform::kErrorSuccess ? u"written" : u"not written, " + ErrorResult(error));
  return error;
}

platform::Win32Error DeleteSuccessMarker(platform::Platform& platform, InstallLog& log,
                                         std::u16string_view area) {
  platform::Win32Error error =
      platform.registry.delete_key(platform::kHkeyLocalMachine, kSuccessMarkerKey);
  if (error == platform::kErrorFileNotFound) return platform::kErrorSuccess;
  log.Write(area, u"success-marker " + Quoted(kSuccessMarkerKey),
            error == platform::kErrorSuccess ? u"deleted" : u"not deleted, " + ErrorResult(error));
  return error;
}

}  // namespace pelmora
