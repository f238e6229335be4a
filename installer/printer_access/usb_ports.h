// The ports the USB side of printer access goes through: the USB devices
// and their locks, the registry views Windows keeps of them, the smart-card
// service, and the clock of the fixed waits. A Platform has them all; a tool
// that replays a described machine hands over just these.
#pragma once

#include "platform/platform.h"

namespace pelmora {

struct UsbPorts {
  UsbPorts(platform::Platform& platform)  // a Platform serves wherever these do
      : registry(platform.registry),
        clock(platform.clock),
        device_io(platform.device_io),
        device_interfaces(platform.device_interfaces),
        smart_cards(platform.smart_cards) {}
  UsbPorts(platform::Registry& registry_port, platform::Clock& clock_port,
           platform::DeviceIo& device_io_port, platform::DeviceInterfaces& device_interfaces_port,
           platform::SmartCards& smart_cards_port)
      : registry(registry_port),
        clock(clock_port),
        device_io(device_io_port),
        device_interfaces(device_interfaces_port),
        smart_cards(smart_cards_port) {}

  platform::Registry& registry;
  platform::Clock& clock;
  platform::DeviceIo& device_io;
  platform::DeviceInterfaces& device_interfaces;
  platform::SmartCards& smart_cards;
};

}  // namespace pelmora
