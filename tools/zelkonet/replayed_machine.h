// The USB machine of a machine file, with the little of a Windows the
// installer's USB search needs around it: a registry holding the keys the
// machine's devices leave behind, read-only to the search, and a virtual
// clock, so that a held lock or a slow printer costs no real time.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/registry.h"
#include "printer_access/usb_ports.h"
#include "usb_machine.h"

namespace zelkonet {

class ReplayRegistry : public platform::Registry, public usb_machine::DeviceKeys {
 public:
  ReplayRegistry();

  // What install() writes.
  void put_value(std::u16string_view key, std::u16string_view name, std::uint32_t type,
                 std::vector<std::uint8_t> data) override;
  void make_key(std::u16string_view key) override;
  void add_queue(const platform::PrinterInfo2& queue) override;

  // The search's reads. Every change is refused (ERROR_ACCESS_DENIED).
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

 private:
  struct Key {
    std::map<std::u16string, std::u16string> subkeys;  // by upper-cased name: the name
    std::vector<std::pair<std::u16string, platform::RegistryValue>> values;
  };
  // The key at `path` under HKEY_LOCAL_MACHINE, made with its parents.
  Key& make(std::u16string_view path);
  // The key a handle stands for; null for an unknown handle.
  const Key* key_of(platform::RegKey key) const;

  std::map<std::u16string, Key> keys_;  // by upper-cased path; "" is HKEY_LOCAL_MACHINE
  std::map<platform::RegKey, std::u16string> handles_;
  platform::RegKey next_handle_ = 0x100;
};

class ReplayClock : public platform::Clock, public usb_machine::Host {
 public:
  void sleep(std::uint32_t milliseconds) override { now_ += milliseconds; }
  std::uint64_t now_ms() override { return now_; }
  // The replay has no calendar: nothing of the USB search reads one.
  platform::LocalTime local_time() override { return {}; }
  void advance_to(std::uint64_t ms) override { now_ = ms > now_ ? ms : now_; }
  platform::Win32Error fault(std::string_view, std::u16string_view) override {
    return platform::kErrorSuccess;
  }

 private:
  std::uint64_t now_ = 0;
};

struct ReplayedMachine {
  ReplayClock clock;
  ReplayRegistry registry;
  usb_machine::UsbMachine usb{clock};
  pelmora::UsbPorts ports{registry, clock, usb, usb, usb};
};

}  // namespace zelkonet
