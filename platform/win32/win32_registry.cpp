#include "platform_win32/win32_registry.h"

#include <limits>
#include <vector>

#include "platform_win32/grow_buffer.h"
#include "platform_win32/windows_api.h"

static_assert(platform::kKeyRead == KEY_READ && platform::kKeyWrite == KEY_WRITE &&
              platform::kKeyAllAccess == KEY_ALL_ACCESS);

namespace platform_win32 {
namespace {

using platform::Win32Error;

HKEY to_hkey(platform::RegKey key) {
  if (key == platform::kHkeyLocalMachine) return HKEY_LOCAL_MACHINE;
  if (key == platform::kHkeyCurrentUser) return HKEY_CURRENT_USER;
  return reinterpret_cast<HKEY>(key);
}

platform::RegKey from_hkey(HKEY key) { return reinterpret_cast<platform::RegKey>(key); }

Win32Error status(LSTATUS result) { return static_cast<Win32Error>(result); }

// Longest key name the registry stores (255) and longest value name (16383),
// each with its terminator.
constexpr DWORD kMaxKeyNameChars = 256;
constexpr DWORD kMaxValueNameChars = 16384;

}  // namespace

Win32Error Win32Registry::open_key(platform::RegKey parent, std::u16string_view subkey,
                                   std::uint32_t access, platform::RegKey* key) {
  if (key == nullptr) return platform::kErrorInvalidParameter;
  *key = 0;
  HKEY opened = nullptr;
  const LSTATUS result =
      RegOpenKeyExW(to_hkey(parent), to_wide(subkey).c_str(), 0, access, &opened);
  if (result != ERROR_SUCCESS) return status(result);
  *key = from_hkey(opened);
  return platform::kErrorSuccess;
}

Win32Error Win32Registry::create_key(platform::RegKey parent, std::u16string_view subkey,
                                     std::uint32_t access, platform::RegKey* key) {
  if (key == nullptr) return platform::kErrorInvalidParameter;
  *key = 0;
  HKEY created = nullptr;
  const LSTATUS result =
      RegCreateKeyExW(to_hkey(parent), to_wide(subkey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      access, nullptr, &created, nullptr);
  if (result != ERROR_SUCCESS) return status(result);
  *key = from_hkey(created);
  return platform::kErrorSuccess;
}

Win32Error Win32Registry::close_key(platform::RegKey key) {
  // The predefined roots are not the program's to close.
  if (key == platform::kHkeyLocalMachine || key == platform::kHkeyCurrentUser)
    return platform::kErrorSuccess;
  return status(RegCloseKey(to_hkey(key)));
}

Win32Error Win32Registry::query_value(platform::RegKey key, std::u16string_view name,
                                      std::size_t max_bytes, platform::RegistryValue* value) {
  if (value == nullptr) return platform::kErrorInvalidParameter;
  const std::wstring value_name = to_wide(name);
  // Ask for the size first, so a generous limit costs no memory; the value
  // can grow between the two calls.
  return call_growing(max_bytes, platform::kErrorMoreData, [&](std::size_t capacity) {
    DWORD type = REG_NONE;
    // One spare byte keeps data() valid for an empty value.
    std::vector<std::uint8_t> data(capacity + 1);
    DWORD size = static_cast<DWORD>(capacity);
    const LSTATUS result = RegQueryValueExW(to_hkey(key), value_name.c_str(), nullptr, &type,
                                            capacity == 0 ? nullptr : data.data(), &size);
    if (result == ERROR_MORE_DATA) return GrowStep::grow(size, platform::kErrorMoreData);
    if (result != ERROR_SUCCESS) return GrowStep::done(status(result));
    // The size query of a value that is not empty.
    if (capacity == 0 && size != 0) return GrowStep::grow(size, platform::kErrorMoreData);
    if (size > capacity) return GrowStep::done(platform::kErrorMoreData);
    data.resize(size);
    value->type = type;
    value->data = std::move(data);
    return GrowStep::done(platform::kErrorSuccess);
  });
}

Win32Error Win32Registry::set_value(platform::RegKey key, std::u16string_view name,
                                    std::uint32_t type, const void* data, std::size_t size) {
  if (size > std::numeric_limits<DWORD>::max()) return platform::kErrorInvalidParameter;
  if (size > 0 && data == nullptr) return platform::kErrorInvalidParameter;
  return status(RegSetValueExW(to_hkey(key), to_wide(name).c_str(), 0, type,
                               static_cast<const BYTE*>(data), static_cast<DWORD>(size)));
}

Win32Error Win32Registry::delete_value(platform::RegKey key, std::u16string_view name) {
  return status(RegDeleteValueW(to_hkey(key), to_wide(name).c_str()));
}

Win32Error Win32Registry::delete_key(platform::RegKey parent, std::u16string_view subkey) {
  // An empty name would mean the key itself; the port deletes named subkeys only.
  if (subkey.empty()) return platform::kErrorAccessDenied;
  return status(RegDeleteKeyW(to_hkey(parent), to_wide(subkey).c_str()));
}

Win32Error Win32Registry::delete_tree(platform::RegKey parent, std::u16string_view subkey) {
  // An empty name would empty the key itself and keep it: not what a caller
  // of "delete this tree" means.
  if (subkey.empty()) return platform::kErrorAccessDenied;
  return status(RegDeleteTreeW(to_hkey(parent), to_wide(subkey).c_str()));
}

Win32Error Win32Registry::enum_subkey(platform::RegKey key, std::uint32_t index,
                                      std::u16string* name) {
  if (name == nullptr) return platform::kErrorInvalidParameter;
  wchar_t buffer[kMaxKeyNameChars];
  DWORD length = kMaxKeyNameChars;
  const LSTATUS result =
      RegEnumKeyExW(to_hkey(key), index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
  if (result != ERROR_SUCCESS) return status(result);
  *name = from_wide(buffer, length);
  return platform::kErrorSuccess;
}

Win32Error Win32Registry::enum_value(platform::RegKey key, std::uint32_t index,
                                     std::u16string* name) {
  if (name == nullptr) return platform::kErrorInvalidParameter;
  std::wstring buffer(kMaxValueNameChars, L'\0');
  DWORD length = kMaxValueNameChars;
  const LSTATUS result = RegEnumValueW(to_hkey(key), index, buffer.data(), &length, nullptr,
                                       nullptr, nullptr, nullptr);
  if (result != ERROR_SUCCESS) return status(result);
  *name = from_wide(buffer.data(), length);
  return platform::kErrorSuccess;
}

}  // namespace platform_win32
