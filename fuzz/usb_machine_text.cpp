// The text form of a simulated USB machine, as support engineers write it
// and the administrators' tool reads it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform_sim/sim_usb_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  platform::sim::Faults faults;
  platform::sim::SimClock clock;
  platform::sim::SimUsbMachine machine(faults, clock);
  std::string error;
  std::vector<platform::sim::SimUsbLock> locks;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!platform::sim::parse_usb_machine(text, &machine, &locks, &error)) {
    if (error.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  // A machine that reads is complete: every device sits on a port its hub has.
  for (const auto& device : machine.devices) {
    const auto* hub = machine.device_at(device.hub, device.port);
    if (hub == nullptr) std::abort();
  }
  return 0;
}
