#include "platform_sim/sim_registry.h"

#include <cstring>
#include <iterator>

#include "platform/util/text.h"

namespace platform::sim {

namespace {

std::u16string fold(std::u16string_view name) { return ascii_upper(name); }

// Splits "A\\B\\C" into its parts; empty parts (doubled or edge backslashes)
// are skipped as Windows does.
std::vector<std::u16string_view> split_path(std::u16string_view path) {
  std::vector<std::u16string_view> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(u'\\', start);
    if (end == std::u16string_view::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// Access rights a handle needs for each kind of call.
constexpr std::uint32_t kKeyQueryValue = 0x0001;
constexpr std::uint32_t kKeySetValue = 0x0002;
constexpr std::uint32_t kKeyEnumerateSubKeys = 0x0008;
// The longest name of one key, in characters.
constexpr std::size_t kMaxKeyNameLength = 255;

// Windows refuses a path that starts with a backslash, and a key name longer
// than 255 characters.
Win32Error check_key_path(std::u16string_view path) {
  if (!path.empty() && path.front() == u'\\') return kErrorBadPathname;
  for (auto part : split_path(path))
    if (part.size() > kMaxKeyNameLength) return kErrorInvalidParameter;
  return kErrorSuccess;
}

}  // namespace

struct SimRegistry::Node {
  std::u16string name;
  std::map<std::u16string, std::unique_ptr<Node>> children;  // by folded name
  std::vector<std::pair<std::u16string, RegistryValue>> values;
  std::shared_ptr<bool> alive = std::make_shared<bool>(true);

  ~Node() { *alive = false; }

  std::vector<std::pair<std::u16string, RegistryValue>>::iterator find_value(
      std::u16string_view value_name) {
    const auto folded = fold(value_name);
    for (auto it = values.begin(); it != values.end(); ++it)
      if (fold(it->first) == folded) return it;
    return values.end();
  }
};

SimRegistry::SimRegistry(Faults& faults)
    : faults_(faults),
      local_machine_(std::make_unique<Node>()),
      current_user_(std::make_unique<Node>()) {}

SimRegistry::~SimRegistry() = default;

SimRegistry::Node* SimRegistry::resolve(RegKey key) const {
  if (key == kHkeyLocalMachine) return local_machine_.get();
  if (key == kHkeyCurrentUser) return current_user_.get();
  auto it = handles_.find(key);
  if (it == handles_.end()) return nullptr;
  auto alive = handle_alive_.find(key);
  if (alive == handle_alive_.end() || !*alive->second) return nullptr;
  return it->second;
}

// A handle whose key was deleted answers ERROR_KEY_DELETED to every call but
// close, as Windows does; an unknown handle is invalid.
Win32Error SimRegistry::stale_or_invalid(RegKey key) const {
  return handles_.count(key) ? kErrorKeyDeleted : kErrorInvalidHandle;
}

std::u16string SimRegistry::in_view(RegKey parent, std::u16string_view subkey,
                                    std::uint32_t access) const {
  if (parent != kHkeyLocalMachine || !windows64 || !windows64()) return std::u16string(subkey);
  const bool caller32 = wow64_caller && wow64_caller();
  const bool view32 =
      (access & kKeyWow64View32) != 0 || (caller32 && (access & kKeyWow64View64) == 0);
  if (!view32) return std::u16string(subkey);
  const auto parts = split_path(subkey);
  if (parts.empty() || fold(parts[0]) != u"SOFTWARE") return std::u16string(subkey);
  if (parts.size() > 1 && fold(parts[1]) == u"WOW6432NODE") return std::u16string(subkey);
  std::u16string redirected = u"SOFTWARE\\WOW6432Node";
  for (std::size_t i = 1; i < parts.size(); ++i) redirected.append(u"\\").append(parts[i]);
  return redirected;
}

SimRegistry::Node* SimRegistry::walk(Node* from, std::u16string_view path, bool create) const {
  Node* node = from;
  for (auto part : split_path(path)) {
    auto folded = fold(part);
    auto it = node->children.find(folded);
    if (it == node->children.end()) {
      if (!create) return nullptr;
      auto child = std::make_unique<Node>();
      child->name = std::u16string(part);
      it = node->children.emplace(folded, std::move(child)).first;
    }
    node = it->second.get();
  }
  return node;
}

RegKey SimRegistry::make_handle(Node* node, std::uint32_t access, bool machine) {
  const RegKey handle = next_handle_++;
  handles_[handle] = node;
  handle_alive_[handle] = node->alive;
  handle_access_[handle] = access;
  handle_machine_[handle] = machine;
  return handle;
}

bool SimRegistry::is_machine(RegKey key) const {
  if (key == kHkeyLocalMachine) return true;
  auto it = handle_machine_.find(key);
  return it != handle_machine_.end() && it->second;
}

bool SimRegistry::refused_to_standard_user(RegKey parent, std::uint32_t access) const {
  // KEY_SET_VALUE, KEY_CREATE_SUB_KEY, KEY_CREATE_LINK, DELETE, WRITE_DAC,
  // WRITE_OWNER (KEY_ALL_ACCESS includes them).
  constexpr std::uint32_t kChangeRights = 0x2 | 0x4 | 0x20 | 0x10000 | 0x40000 | 0x80000;
  if (!standard_user || (access & kChangeRights) == 0) return false;
  return is_machine(parent);
}

Win32Error SimRegistry::open_key(RegKey parent, std::u16string_view subkey, std::uint32_t access,
                                 RegKey* key) {
  *key = 0;
  if (auto e = faults_.check("RegOpenKeyExW", subkey)) return e;
  if (auto e = check_key_path(subkey)) return e;
  std::lock_guard lock(mutex_);
  Node* from = resolve(parent);
  if (!from) return stale_or_invalid(parent);
  Node* node = walk(from, in_view(parent, subkey, access), false);
  if (!node) return kErrorFileNotFound;
  if (refused_to_standard_user(parent, access)) return kErrorAccessDenied;
  *key = make_handle(node, access, is_machine(parent));
  return kErrorSuccess;
}

Win32Error SimRegistry::create_key(RegKey parent, std::u16string_view subkey, std::uint32_t access,
                                   RegKey* key) {
  *key = 0;
  if (auto e = faults_.check("RegCreateKeyExW", subkey)) return e;
  if (auto e = check_key_path(subkey)) return e;
  std::lock_guard lock(mutex_);
  Node* from = resolve(parent);
  if (!from) return stale_or_invalid(parent);
  if (refused_to_standard_user(parent, access)) return kErrorAccessDenied;
  *key = make_handle(walk(from, in_view(parent, subkey, access), true), access, is_machine(parent));
  return kErrorSuccess;
}

bool SimRegistry::allows(RegKey key, std::uint32_t right) const {
  if (key == kHkeyLocalMachine || key == kHkeyCurrentUser) return true;
  auto it = handle_access_.find(key);
  return it != handle_access_.end() && (it->second & right) == right;
}

Win32Error SimRegistry::close_key(RegKey key) {
  if (key == kHkeyLocalMachine || key == kHkeyCurrentUser) return kErrorSuccess;
  std::lock_guard lock(mutex_);
  if (handles_.erase(key) == 0) return kErrorInvalidHandle;
  handle_alive_.erase(key);
  handle_access_.erase(key);
  handle_machine_.erase(key);
  return kErrorSuccess;
}

Win32Error SimRegistry::query_value(RegKey key, std::u16string_view name, std::size_t max_bytes,
                                    RegistryValue* value) {
  if (auto e = faults_.check("RegQueryValueExW", name)) return e;
  std::lock_guard lock(mutex_);
  Node* node = resolve(key);
  if (!node) return stale_or_invalid(key);
  if (!allows(key, kKeyQueryValue)) return kErrorAccessDenied;
  auto it = node->find_value(name);
  if (it == node->values.end()) return kErrorFileNotFound;
  if (it->second.data.size() > max_bytes) return kErrorMoreData;
  *value = it->second;
  return kErrorSuccess;
}

Win32Error SimRegistry::set_value(RegKey key, std::u16string_view name, std::uint32_t type,
                                  const void* data, std::size_t size) {
  if (auto e = faults_.check("RegSetValueExW", name)) return e;
  std::lock_guard lock(mutex_);
  Node* node = resolve(key);
  if (!node) return stale_or_invalid(key);
  if (!allows(key, kKeySetValue)) return kErrorAccessDenied;
  RegistryValue v;
  v.type = type;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  v.data.assign(bytes, bytes + size);
  auto it = node->find_value(name);
  if (it == node->values.end())
    node->values.emplace_back(std::u16string(name), std::move(v));
  else
    it->second = std::move(v);
  return kErrorSuccess;
}

Win32Error SimRegistry::delete_value(RegKey key, std::u16string_view name) {
  if (auto e = faults_.check("RegDeleteValueW", name)) return e;
  std::lock_guard lock(mutex_);
  Node* node = resolve(key);
  if (!node) return stale_or_invalid(key);
  if (!allows(key, kKeySetValue)) return kErrorAccessDenied;
  auto it = node->find_value(name);
  if (it == node->values.end()) return kErrorFileNotFound;
  node->values.erase(it);
  return kErrorSuccess;
}

// Finds the key named by the last part of `subkey` below `parent` for a
// deletion: its parent node and the child's entry. Fails as Windows does for
// an empty name (refused) and for a missing key on the way.
Win32Error SimRegistry::find_for_delete(RegKey parent, std::u16string_view subkey, Node** owner,
                                        std::u16string* child) const {
  Node* node = resolve(parent);
  if (!node) return stale_or_invalid(parent);
  auto parts = split_path(subkey);
  if (parts.empty()) return kErrorAccessDenied;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    auto it = node->children.find(fold(parts[i]));
    if (it == node->children.end()) return kErrorFileNotFound;
    node = it->second.get();
  }
  *child = fold(parts.back());
  if (!node->children.count(*child)) return kErrorFileNotFound;
  *owner = node;
  return kErrorSuccess;
}

Win32Error SimRegistry::delete_key(RegKey parent, std::u16string_view subkey) {
  if (auto e = faults_.check("RegDeleteKeyW", subkey)) return e;
  std::lock_guard lock(mutex_);
  Node* owner = nullptr;
  std::u16string child;
  if (auto e = find_for_delete(parent, in_view(parent, subkey, 0), &owner, &child)) return e;
  if (standard_user && is_machine(parent)) return kErrorAccessDenied;
  auto it = owner->children.find(child);
  if (!it->second->children.empty()) return kErrorAccessDenied;
  owner->children.erase(it);
  return kErrorSuccess;
}

Win32Error SimRegistry::delete_tree(RegKey parent, std::u16string_view subkey) {
  if (auto e = faults_.check("RegDeleteTreeW", subkey)) return e;
  std::lock_guard lock(mutex_);
  Node* owner = nullptr;
  std::u16string child;
  if (auto e = find_for_delete(parent, in_view(parent, subkey, 0), &owner, &child)) return e;
  if (standard_user && is_machine(parent)) return kErrorAccessDenied;
  owner->children.erase(child);
  return kErrorSuccess;
}

Win32Error SimRegistry::enum_subkey(RegKey key, std::uint32_t index, std::u16string* name) {
  if (auto e = faults_.check("RegEnumKeyExW")) return e;
  std::lock_guard lock(mutex_);
  Node* node = resolve(key);
  if (!node) return stale_or_invalid(key);
  if (!allows(key, kKeyEnumerateSubKeys)) return kErrorAccessDenied;
  if (index >= node->children.size()) return kErrorNoMoreItems;
  auto it = node->children.begin();
  std::advance(it, index);
  *name = it->second->name;
  return kErrorSuccess;
}

Win32Error SimRegistry::enum_value(RegKey key, std::uint32_t index, std::u16string* name) {
  if (auto e = faults_.check("RegEnumValueW")) return e;
  std::lock_guard lock(mutex_);
  Node* node = resolve(key);
  if (!node) return stale_or_invalid(key);
  if (!allows(key, kKeyQueryValue)) return kErrorAccessDenied;
  if (index >= node->values.size()) return kErrorNoMoreItems;
  *name = node->values[index].first;
  return kErrorSuccess;
}

bool SimRegistry::key_exists(RegKey root, std::u16string_view path) const {
  std::lock_guard lock(mutex_);
  Node* from = resolve(root);
  return from && walk(from, path, false) != nullptr;
}

bool SimRegistry::value(RegKey root, std::u16string_view path, std::u16string_view name,
                        RegistryValue* out) const {
  std::lock_guard lock(mutex_);
  Node* from = resolve(root);
  Node* node = from ? walk(from, path, false) : nullptr;
  if (!node) return false;
  auto it = node->find_value(name);
  if (it == node->values.end()) return false;
  if (out) *out = it->second;
  return true;
}

void SimRegistry::put_value(RegKey root, std::u16string_view path, std::u16string_view name,
                            std::uint32_t type, std::vector<std::uint8_t> data) {
  std::lock_guard lock(mutex_);
  Node* node = walk(resolve(root), path, true);
  RegistryValue v{type, std::move(data)};
  auto it = node->find_value(name);
  if (it == node->values.end())
    node->values.emplace_back(std::u16string(name), std::move(v));
  else
    it->second = std::move(v);
}

void SimRegistry::put_string(RegKey root, std::u16string_view path, std::u16string_view name,
                             std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  put_value(root, path, name, kRegSz, std::move(bytes));
}

void SimRegistry::put_dword(RegKey root, std::u16string_view path, std::u16string_view name,
                            std::uint32_t value) {
  std::vector<std::uint8_t> bytes(4);
  std::memcpy(bytes.data(), &value, 4);
  put_value(root, path, name, kRegDword, std::move(bytes));
}

void SimRegistry::ensure_key(RegKey root, std::u16string_view path) {
  std::lock_guard lock(mutex_);
  walk(resolve(root), path, true);
}

bool SimRegistry::remove_value(RegKey root, std::u16string_view path, std::u16string_view name) {
  std::lock_guard lock(mutex_);
  Node* node = walk(resolve(root), path, false);
  if (!node) return false;
  auto it = node->find_value(name);
  if (it == node->values.end()) return false;
  node->values.erase(it);
  return true;
}

bool SimRegistry::remove_key(RegKey root, std::u16string_view path) {
  std::lock_guard lock(mutex_);
  auto parts = split_path(path);
  if (parts.empty()) return false;
  Node* node = resolve(root);
  for (std::size_t i = 0; node && i + 1 < parts.size(); ++i) {
    auto it = node->children.find(fold(parts[i]));
    node = it == node->children.end() ? nullptr : it->second.get();
  }
  return node && node->children.erase(fold(parts.back())) != 0;
}

std::size_t SimRegistry::open_handles() const {
  std::lock_guard lock(mutex_);
  return handles_.size();
}

}  // namespace platform::sim
