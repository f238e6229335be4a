// The simulated Windows' USB: the machine of tools/support/usb_machine.h in
// the simulated Windows' time, with its fault table, writing its devices'
// keys into the simulated registry and spooler.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform_sim/faults.h"
#include "platform_sim/sim_system.h"
#include "usb_machine.h"

namespace platform::sim {

class SimRegistry;
class SimSpooler;

using SimUsbHub = usb_machine::UsbHub;
using SimUsbKind = usb_machine::UsbKind;
using SimUsbDevice = usb_machine::UsbDevice;
using SimUsbLock = usb_machine::UsbLock;
using usb_machine::parse_usb_machine;

class SimUsbMachine : private usb_machine::Host, public usb_machine::UsbMachine {
 public:
  SimUsbMachine(Faults& faults, SimClock& clock)
      : UsbMachine(static_cast<Host&>(*this)), faults_(faults), clock_(clock) {}

  void install(SimRegistry& registry, SimSpooler& spooler) const;

 private:
  std::uint64_t now_ms() override { return clock_.now_ms(); }
  void advance_to(std::uint64_t ms) override { clock_.advance_to(ms); }
  Win32Error fault(std::string_view call, std::u16string_view detail) override {
    return faults_.check(call, detail);
  }

  Faults& faults_;
  SimClock& clock_;
};

}  // namespace platform::sim
