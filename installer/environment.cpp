#include "environment.h"

#include <string>

#include "platform/util/format.h"
#include "platform/util/text.h"

namespace pelmora {

namespace {
constexpr std::uint32_t kPlatformWindows9x = 1;
constexpr std::uint32_t kPlatformWindowsNt = 2;
constexpr std::uint8_t kProductWorkstation = 1;

constexpr char16_t kCompatibilityAssistantKey[] =
    u"Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility Assistant";
constexpr char16_t kPersistedKey[] =
    u"Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility "
    u"Assistant\\Persisted";
}  // namespace

int ClassifyWindowsVersion(const platform::WindowsVersion& v) {
  if (v.platform_id == kPlatformWindows9x && v.major == 4) {
    if (v.minor == 0) return 3;
    if (v.minor == 10) return 4;
    if (v.minor == 90) return 5;
  }
  if (v.platform_id != kPlatformWindows9x && v.platform_id != kPlatformWindowsNt) return -1;
  // Every other case of both families goes through the NT rules.
  const bool workstation = v.product_type == kProductWorkstation;
  switch (v.major) {
    case 3:
      return 8;
    case 4:
      return 9;
    case 5:
      if (v.minor == 0) return 10;
      if (v.minor == 1) return 11;
      return -1;
    case 6:
      if (v.minor == 0) return workstation ? 13 : 15;
      if (v.minor == 1) return workstation ? 14 : 16;
      if (v.minor == 2) return workstation ? 17 : 18;
      return -1;
    default:
      return -1;
  }
}

int ClassifyWindowsVersion(platform::SystemInfo& system) {
  platform::WindowsVersion version;
  if (system.get_version(&version) != platform::kErrorSuccess) return -1;
  return ClassifyWindowsVersion(version);
}

bool GetInstallerDirectory(platform::SystemInfo& system, char16_t* buffer, std::size_t capacity) {
  if (capacity == 0) return true;
  // GetModuleFileNameW cuts the path to the buffer; so do we.
  const std::size_t length = platform::copy_truncated(buffer, capacity, system.module_file_name());
  for (std::size_t i = length; i > 0; --i) {
    if (buffer[i - 1] == u'\\') {
      buffer[i] = 0;
      break;
    }
  }
  return true;
}

bool RegisterCompatibilityPersisted(platform::Registry& registry, platform::SystemInfo& system) {
  using namespace platform;
  ScopedRegKey assistant(registry);
  if (registry.open_key(kHkeyCurrentUser, kCompatibilityAssistantKey, kKeyAllAccess,
                        assistant.receive()) != kErrorSuccess)
    return true;  // no assistant on this system: nothing to do
  ScopedRegKey persisted(registry);
  if (registry.create_key(assistant.get(), u"Persisted", kKeyAllAccess, persisted.receive()) !=
          kErrorSuccess &&
      registry.open_key(kHkeyCurrentUser, kPersistedKey, kKeyAllAccess, persisted.receive()) !=
          kErrorSuccess)
    return false;

  char16_t directory[260];
  GetInstallerDirectory(system, directory, 260);
  const std::u16string own_path = format(u"%sPelmora.exe", {view_of(directory)});
  for (std::u16string_view name :
       {std::u16string_view(u"SIGN=D1FE0 Pelmora.exe"),
        std::u16string_view(u"SIGN.MEDIA=D1FE0 Pelmora.exe"), std::u16string_view(own_path)}) {
    if (registry.set_dword(persisted.get(), name, 1) != kErrorSuccess) return false;
  }
  return true;
}

}  // namespace pelmora
