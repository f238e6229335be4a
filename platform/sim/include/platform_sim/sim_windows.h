// One simulated Windows: every simulated port over shared state, and the
// Platform that hands them to the programs' logic.
#pragma once

#include "platform/platform.h"
#include "platform_sim/faults.h"
#include "platform_sim/sim_registry.h"
#include "platform_sim/sim_spooler.h"
#include "platform_sim/sim_system.h"
#include "platform_sim/sim_usb_machine.h"

namespace platform::sim {

class SimWindows {
 public:
  SimWindows()
      : registry(faults),
        spooler(faults, registry),
        system(faults),
        shell(faults),
        devices(faults),
        usb(faults, clock),
        platform{registry, system, shell, spooler, devices, desktop, clock, usb, usb, usb} {}
  SimWindows(const SimWindows&) = delete;
  SimWindows& operator=(const SimWindows&) = delete;

  Faults faults;
  SimClock clock;
  SimRegistry registry;
  SimSpooler spooler;
  SimSystemInfo system;
  SimShell shell;
  SimDevices devices;
  SimDesktop desktop;
  SimUsbMachine usb;
  Platform platform;
};

}  // namespace platform::sim
