// Plug and Play on the simulated machine: a card printer plugged into the
// simulated USB machine gets its device nodes at the next re-enumeration of
// the device tree, and its print queue when the driver store holds a
// package whose INF lists one of the printer's two USBPRINT hardware ids.
// As on Windows, the printing class names the USBPRINT child node after the
// printer's IEEE 1284 device id, so printers sharing a USB product id still
// install under their own model names. The ids are Windows' own and are not
// computed: a printer is plugged in with the ids of its row of
// platform/util/usb_print_ids.h, or with ids a test reads as Windows would
// give them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/util/usb_print_ids.h"
#include "platform_sim/sim_spooler.h"
#include "platform_sim/sim_system.h"
#include "platform_sim/sim_usb_machine.h"

namespace platform::sim {

class SimPlugAndPlay {
 public:
  SimPlugAndPlay(SimUsbMachine& usb, SimDevices& devices, SimSpooler& spooler, SimShell& shell,
                 const SimSystemInfo& system);

  // Connects a card printer of vendor 0x0016 to the next free port of the
  // machine's hub "root" (made when missing); its USBPRINT node gets the
  // two hardware ids of `ids`. Nothing is installed until the next
  // re-enumeration.
  SimUsbDevice& plug_printer(std::uint16_t product, const UsbPrintModel& ids,
                             std::u16string_view serial);

  // One enumeration of the device tree with the given CM_Reenumerate flags:
  // new printers get their nodes and, if a package matches, their driver and
  // queue; a printer whose first installation found no package is tried
  // again only with the retry-installation flag (2).
  void reenumerate(std::uint32_t flags);

  struct Plugged {
    std::size_t device = 0;                    // index into the machine's devices
    std::vector<std::u16string> hardware_ids;  // "USBPRINT\<id>" and "<id>"
    bool enumerated = false;
    bool installed = false;
    std::u16string inf;  // the OEM INF it was installed from
  };
  std::vector<Plugged> plugged() const { return plugged_; }

 private:
  bool install(Plugged& printer);

  SimUsbMachine& usb_;
  SimDevices& devices_;
  SimSpooler& spooler_;
  SimShell& shell_;
  const SimSystemInfo& system_;
  std::vector<Plugged> plugged_;
  int next_port_ = 1;
};

}  // namespace platform::sim
