#include "replayed_machine.h"

#include <algorithm>
#include <iterator>

#include "platform/util/text.h"

namespace zelkonet {

namespace {

using platform::kErrorAccessDenied;
using platform::kErrorFileNotFound;
using platform::kErrorInvalidHandle;
using platform::kErrorSuccess;
using platform::Win32Error;

constexpr char16_t kPrintersPath[] = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";
// Beyond reading: KEY_READ with the view flags of 64-bit Windows is all the
// search asks for.
constexpr std::uint32_t kReadRights =
    platform::kKeyRead | platform::kKeyWow64View64 | platform::kKeyWow64View32;

// The key names of a path: doubled and edge backslashes name no key, as on
// Windows.
std::vector<std::u16string_view> key_names(std::u16string_view path) {
  std::vector<std::u16string_view> names;
  for (std::size_t end = 0; !path.empty(); path.remove_prefix(std::min(end + 1, path.size()))) {
    end = std::min(path.find(u'\\'), path.size());
    if (end > 0) names.push_back(path.substr(0, end));
  }
  return names;
}

// `base` with the names of `path` after it, upper-cased: how keys_ knows a
// key.
std::u16string joined_path(std::u16string base, std::u16string_view path) {
  for (const auto name : key_names(path)) {
    if (!base.empty()) base += u'\\';
    base += platform::ascii_upper(name);
  }
  return base;
}

}  // namespace

// Every Windows has the spooler's key of its queues.
ReplayRegistry::ReplayRegistry() { make(kPrintersPath); }

ReplayRegistry::Key& ReplayRegistry::make(std::u16string_view path) {
  std::u16string at;
  Key* key = &keys_[at];
  for (const auto name : key_names(path)) {
    key->subkeys.emplace(platform::ascii_upper(name), name);
    at = joined_path(std::move(at), name);
    key = &keys_[at];
  }
  return *key;
}

void ReplayRegistry::put_value(std::u16string_view path, std::u16string_view name,
                               std::uint32_t type, std::vector<std::uint8_t> data) {
  auto& values = make(path).values;
  for (auto& [existing, value] : values)
    if (platform::equals_ignore_ascii_case(existing, name)) {
      value = {type, std::move(data)};
      return;
    }
  values.emplace_back(std::u16string(name), platform::RegistryValue{type, std::move(data)});
}

void ReplayRegistry::make_key(std::u16string_view path) { make(path); }

// As the spooler does for a queue it adds: the queue's driver data key.
void ReplayRegistry::add_queue(const platform::PrinterInfo2& queue) {
  make(std::u16string(kPrintersPath) + u"\\" + queue.printer_name + u"\\PrinterDriverData");
}

const ReplayRegistry::Key* ReplayRegistry::key_of(platform::RegKey key) const {
  std::u16string path;
  if (key != platform::kHkeyLocalMachine) {
    const auto handle = handles_.find(key);
    if (handle == handles_.end()) return nullptr;
    path = handle->second;
  }
  const auto found = keys_.find(path);
  return found == keys_.end() ? nullptr : &found->second;
}

Win32Error ReplayRegistry::open_key(platform::RegKey parent, std::u16string_view subkey,
                                    std::uint32_t access, platform::RegKey* key) {
  *key = 0;
  if ((access & ~kReadRights) != 0) return kErrorAccessDenied;
  // HKEY_CURRENT_USER is there, with nothing in it.
  if (parent == platform::kHkeyCurrentUser) return kErrorFileNotFound;
  if (key_of(parent) == nullptr) return kErrorInvalidHandle;
  const std::u16string base = parent == platform::kHkeyLocalMachine ? u"" : handles_[parent];
  std::u16string path = joined_path(base, subkey);
  if (keys_.count(path) == 0) return kErrorFileNotFound;
  *key = next_handle_++;
  handles_[*key] = std::move(path);
  return kErrorSuccess;
}

Win32Error ReplayRegistry::close_key(platform::RegKey key) {
  if (key == platform::kHkeyLocalMachine || key == platform::kHkeyCurrentUser) return kErrorSuccess;
  return handles_.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

Win32Error ReplayRegistry::query_value(platform::RegKey key, std::u16string_view name,
                                       std::size_t max_bytes, platform::RegistryValue* value) {
  const Key* at = key_of(key);
  if (at == nullptr) return kErrorInvalidHandle;
  for (const auto& [existing, stored] : at->values) {
    if (!platform::equals_ignore_ascii_case(existing, name)) continue;
    if (stored.data.size() > max_bytes) return platform::kErrorMoreData;
    *value = stored;
    return kErrorSuccess;
  }
  return kErrorFileNotFound;
}

Win32Error ReplayRegistry::enum_subkey(platform::RegKey key, std::uint32_t index,
                                       std::u16string* name) {
  const Key* at = key_of(key);
  if (at == nullptr) return kErrorInvalidHandle;
  if (index >= at->subkeys.size()) return platform::kErrorNoMoreItems;
  *name = std::next(at->subkeys.begin(), index)->second;
  return kErrorSuccess;
}

Win32Error ReplayRegistry::enum_value(platform::RegKey key, std::uint32_t index,
                                      std::u16string* name) {
  const Key* at = key_of(key);
  if (at == nullptr) return kErrorInvalidHandle;
  if (index >= at->values.size()) return platform::kErrorNoMoreItems;
  *name = at->values[index].first;
  return kErrorSuccess;
}

Win32Error ReplayRegistry::create_key(platform::RegKey, std::u16string_view, std::uint32_t,
                                      platform::RegKey* key) {
  *key = 0;
  return kErrorAccessDenied;
}

Win32Error ReplayRegistry::set_value(platform::RegKey, std::u16string_view, std::uint32_t,
                                     const void*, std::size_t) {
  return kErrorAccessDenied;
}

Win32Error ReplayRegistry::delete_value(platform::RegKey, std::u16string_view) {
  return kErrorAccessDenied;
}

Win32Error ReplayRegistry::delete_key(platform::RegKey, std::u16string_view) {
  return kErrorAccessDenied;
}

Win32Error ReplayRegistry::delete_tree(platform::RegKey, std::u16string_view) {
  return kErrorAccessDenied;
}

}  // namespace zelkonet
