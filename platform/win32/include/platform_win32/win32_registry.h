// The registry over advapi32. Keys handed out are real HKEYs; the two
// predefined roots of the port map to HKEY_LOCAL_MACHINE and
// HKEY_CURRENT_USER (which are sign-extended on 64-bit Windows, so they are
// translated rather than cast).
#pragma once

#include "platform/registry.h"

namespace platform_win32 {

class Win32Registry : public platform::Registry {
 public:
  Win32Registry() = default;

  platform::Win32Error open_key(platform::RegKey parent, std::u16string_view subkey,
                                std::uint32_t access, platform::RegKey* key) override;
  platform::Win32Error create_key(platform::RegKey parent, std::u16string_view subkey,
                                  std::uint32_t access, platform::RegKey* key) override;
  platform::Win32Error close_key(platform::RegKey key) override;
  platform::Win32Error query_value(platform::RegKey key, std::u16string_view name,
                                   std::size_t max_bytes, platform::RegistryValue* value) override;
  platform::Win32Error set_value(platform::RegKey key, std::u16string_view name, std::uint32_t type,
                                 const void* data, std::size_t size) override;
  platform::Win32Error delete_value(platform::RegKey key, std::u16string_view name) override;
  platform::Win32Error delete_key(platform::RegKey parent, std::u16string_view subkey) override;
  platform::Win32Error delete_tree(platform::RegKey parent, std::u16string_view subkey) override;
  platform::Win32Error enum_subkey(platform::RegKey key, std::uint32_t index,
                                   std::u16string* name) override;
  platform::Win32Error enum_value(platform::RegKey key, std::uint32_t index,
                                  std::u16string* name) override;
};

}  // namespace platform_win32
