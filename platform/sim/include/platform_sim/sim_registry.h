// An in-memory registry with Windows semantics: case-insensitive names,
// subkeys enumerated in sorted order, values in the order they were made,
// handles that go stale when their key is deleted.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform_sim/faults.h"

namespace platform::sim {

class SimRegistry : public Registry {
 public:
  explicit SimRegistry(Faults& faults);
  ~SimRegistry() override;

  Win32Error open_key(RegKey parent, std::u16string_view subkey, std::uint32_t access,
                      RegKey* key) override;
  Win32Error create_key(RegKey parent, std::u16string_view subkey, std::uint32_t access,
                        RegKey* key) override;
  Win32Error close_key(RegKey key) override;
  Win32Error query_value(RegKey key, std::u16string_view name, std::size_t max_bytes,
                         RegistryValue* value) override;
  Win32Error set_value(RegKey key, std::u16string_view name, std::uint32_t type, const void* data,
                       std::size_t size) override;
  Win32Error delete_value(RegKey key, std::u16string_view name) override;
  Win32Error delete_key(RegKey parent, std::u16string_view subkey) override;
  Win32Error delete_tree(RegKey parent, std::u16string_view subkey) override;
  Win32Error enum_subkey(RegKey key, std::uint32_t index, std::u16string* name) override;
  Win32Error enum_value(RegKey key, std::uint32_t index, std::u16string* name) override;

  // Test conveniences on full paths ("SOFTWARE\\Orlent System\\Tessaly").
  bool key_exists(RegKey root, std::u16string_view path) const;
  bool value(RegKey root, std::u16string_view path, std::u16string_view name,
             RegistryValue* out) const;
  void put_value(RegKey root, std::u16string_view path, std::u16string_view name,
                 std::uint32_t type, std::vector<std::uint8_t> data);
  void put_string(RegKey root, std::u16string_view path, std::u16string_view name,
                  std::u16string_view text);
  void put_dword(RegKey root, std::u16string_view path, std::u16string_view name,
                 std::uint32_t value);
  // Makes the key and its missing parents, or removes it with everything
  // below it; neither is a call of the program's, so neither is logged.
  void ensure_key(RegKey root, std::u16string_view path);
  // Removes a value; false when it was not there.
  bool remove_value(RegKey root, std::u16string_view path, std::u16string_view name);
  bool remove_key(RegKey root, std::u16string_view path);
  std::size_t open_handles() const;

  // The program runs with a standard user's token (no elevation under UAC):
  // keys under HKEY_LOCAL_MACHINE open for reading only, as the default
  // permissions of SOFTWARE and SYSTEM give users. Asking for any right to
  // change a key or its values there is refused with ERROR_ACCESS_DENIED.
  bool standard_user = false;

  // The two views of 64-bit Windows. A 32-bit program there (WOW64) finds
  // HKEY_LOCAL_MACHINE\SOFTWARE\X at SOFTWARE\WOW6432Node\X unless it asks
  // for the 64-bit view (KEY_WOW64_64KEY); a 64-bit program gets there with
  // KEY_WOW64_32KEY. The redirection applies to paths given from
  // HKEY_LOCAL_MACHINE itself, where the programs name their keys. The
  // shared keys Windows keeps in one copy under SOFTWARE (fonts, print
  // ports, ...) are not modelled: the programs use none of them. Unset: 32-bit
  // Windows, one view, the flags ignored. The test conveniences above and
  // below name the physical key, as the 64-bit registry editor shows it.
  std::function<bool()> windows64;
  std::function<bool()> wow64_caller;

  struct Node;

 private:
  Node* resolve(RegKey key) const;
  std::u16string in_view(RegKey parent, std::u16string_view subkey, std::uint32_t access) const;
  Win32Error stale_or_invalid(RegKey key) const;
  Node* walk(Node* from, std::u16string_view path, bool create) const;
  RegKey make_handle(Node* node, std::uint32_t access, bool machine);
  bool refused_to_standard_user(RegKey parent, std::uint32_t access) const;
  bool is_machine(RegKey key) const;
  bool allows(RegKey key, std::uint32_t right) const;
  Win32Error find_for_delete(RegKey parent, std::u16string_view subkey, Node** owner,
                             std::u16string* child) const;

  Faults& faults_;
  mutable std::mutex mutex_;
  std::unique_ptr<Node> local_machine_;
  std::unique_ptr<Node> current_user_;
  std::map<RegKey, std::shared_ptr<bool>> handle_alive_;
  std::map<RegKey, Node*> handles_;
  std::map<RegKey, std::uint32_t> handle_access_;
  std::map<RegKey, bool> handle_machine_;  // the key lies under HKEY_LOCAL_MACHINE
  RegKey next_handle_ = 0x1000;
};

}  // namespace platform::sim
