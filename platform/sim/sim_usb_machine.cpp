#include "platform_sim/sim_usb_machine.h"

#include "platform_sim/sim_registry.h"
#include "platform_sim/sim_spooler.h"

namespace platform::sim {

namespace {

// The keys go in as Plug and Play writes them; the empty keys are made the
// way a program makes them, through the registry's calls.
class SimDeviceKeys : public usb_machine::DeviceKeys {
 public:
  SimDeviceKeys(SimRegistry& registry, SimSpooler& spooler)
      : registry_(registry), spooler_(spooler) {}
  void put_value(std::u16string_view key, std::u16string_view name, std::uint32_t type,
                 std::vector<std::uint8_t> data) override {
    registry_.put_value(kHkeyLocalMachine, key, name, type, std::move(data));
  }
  void make_key(std::u16string_view path) override {
    RegKey key = 0;
    if (registry_.create_key(kHkeyLocalMachine, path, kKeyAllAccess, &key) == kErrorSuccess)
      registry_.close_key(key);
  }
  void add_queue(const PrinterInfo2& queue) override { spooler_.add_queue(queue); }

 private:
  SimRegistry& registry_;
  SimSpooler& spooler_;
};

}  // namespace

void SimUsbMachine::install(SimRegistry& registry, SimSpooler& spooler) const {
  SimDeviceKeys keys(registry, spooler);
  UsbMachine::install(keys);
}

}  // namespace platform::sim
