// The Windows registry: HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER keys.
// Names are compared without regard to case, as Windows does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/util/scoped.h"
#include "platform/win_error.h"

namespace platform {

using RegKey = std::uintptr_t;

inline constexpr RegKey kHkeyCurrentUser = 0x80000001u;
inline constexpr RegKey kHkeyLocalMachine = 0x80000002u;

inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

// Access masks the programs ask for.
inline constexpr std::uint32_t kKeyRead = 0x20019;
// Setting values and creating subkeys.
inline constexpr std::uint32_t kKeyWrite = 0x20006;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;
// Which view of the registry a key is opened in on 64-bit Windows: no
// rights, only where HKEY_LOCAL_MACHINE\SOFTWARE leads.
inline constexpr std::uint32_t kKeyWow64View64 = 0x0100;  // KEY_WOW64_64KEY
inline constexpr std::uint32_t kKeyWow64View32 = 0x0200;  // KEY_WOW64_32KEY

struct RegistryValue {
  std::uint32_t type = kRegNone;
  std::vector<std::uint8_t> data;
};

class Registry {
 public:
  virtual ~Registry() = default;

  virtual Win32Error open_key(RegKey parent, std::u16string_view subkey, std::uint32_t access,
                              RegKey* key) = 0;
  // Creates the key (and missing parents) or opens it when it exists.
  virtual Win32Error create_key(RegKey parent, std::u16string_view subkey, std::uint32_t access,
                                RegKey* key) = 0;
  virtual Win32Error close_key(RegKey key) = 0;

  // Reads a value of at most `max_bytes` bytes. A longer value is not read and
  // gives kErrorMoreData, as RegQueryValueExW with a buffer of that size does.
  virtual Win32Error query_value(RegKey key, std::u16string_view name, std::size_t max_bytes,
                                 RegistryValue* value) = 0;
  virtual Win32Error set_value(RegKey key, std::u16string_view name, std::uint32_t type,
                               const void* data, std::size_t size) = 0;
  virtual Win32Error delete_value(RegKey key, std::u16string_view name) = 0;
  // Deletes a key that has no subkeys (RegDeleteKeyW).
  virtual Win32Error delete_key(RegKey parent, std::u16string_view subkey) = 0;
  // Deletes a key with everything below it (RegDeleteTreeW / SHDeleteKeyW).
  virtual Win32Error delete_tree(RegKey parent, std::u16string_view subkey) = 0;
  virtual Win32Error enum_subkey(RegKey key, std::uint32_t index, std::u16string* name) = 0;
  virtual Win32Error enum_value(RegKey key, std::uint32_t index, std::u16string* name) = 0;

  // Conveniences built on the calls above.
  Win32Error set_dword(RegKey key, std::u16string_view name, std::uint32_t value) {
    return set_value(key, name, kRegDword, &value, sizeof value);
  }
  // Stores a REG_SZ with its terminating zero, as the Windows tools do.
  Win32Error set_string(RegKey key, std::u16string_view name, std::u16string_view text);
};

// Decodes a REG_SZ/REG_EXPAND_SZ value: stops at the first zero, ignores an
// odd trailing byte.
std::u16string registry_string(const RegistryValue& value);

// An opened or created key, closed when it goes out of scope.
using ScopedRegKey = Scoped<Registry, RegKey, &Registry::close_key>;

}  // namespace platform
